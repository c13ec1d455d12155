! Builds the tight table of 1000 bins for H = 2, M = 4 on [-1, 1], prints five
! draws of seed 12345 (those of C++ and C), then shows a refused build.
!     gfortran five_draws.f90 $(pkg-config --cflags --libs sin_cos) -o five_draws
program five_draws
    use sin_cos
    implicit none
    type(sin_cos_table) :: t
    type(sin_cos_rng) :: g
    real(c_double) :: x(5)

    t = sin_cos_table_build(sin_cos_law(xini=-1d0, xfin=1d0, H=2d0, M=4), 1000, tight=.true.)
    if (sin_cos_failed(t)) error stop sin_cos_error()
    g = sin_cos_rng_new(12345_c_int64_t)
    print '(i0, a, f8.6, a)', sin_cos_bins(t), ' bins, loss ', sin_cos_loss(t), '%'
    call sin_cos_fill(t, g, x)
    print '(es24.16e2)', x
    call sin_cos_free(t)

    t = sin_cos_table_build(sin_cos_law(xini=0.5d0, xfin=-0.5d0, H=2d0, M=4), 1000)
    if (sin_cos_failed(t) .and. sin_cos_error_kind() == sin_cos_refused) print '(2a)', 'refused: ', sin_cos_error()
    t = sin_cos_table_build(sin_cos_law(xini=-1d0, xfin=1d0, H=2d0, M=4), 1000)
    if (sin_cos_failed(t)) error stop sin_cos_error()
    print '(a, i0, a, f8.6, a)', 'then ', sin_cos_bins(t), ' bins, loss ', sin_cos_loss(t), '%'
    call sin_cos_free(t)
    call sin_cos_rng_free(g)
end program
