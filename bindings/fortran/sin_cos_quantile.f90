! The law's quantile from Fortran, over its C interface: x = F^-1(u), one
! uniform a draw, non-decreasing in u (quasi-Monte Carlo, common random
! numbers, laws with H in (-1, 1) that no rejection table covers).
!
!     use sin_cos_quantiles
!     type(sin_cos_quantile) :: q
!     q = sin_cos_quantile_new(sin_cos_law(xini=-1d0, xfin=1d0, H=0.5d0, M=2))
!     if (sin_cos_quantile_failed(q)) error stop sin_cos_error()
!     x = sin_cos_quantile_ppf(q, u)          ! elemental: u and x arrays alike
!     call sin_cos_quantile_free(q)
module sin_cos_quantiles
    use, intrinsic :: iso_c_binding, only: c_associated, c_double, c_int, c_null_ptr, c_ptr, c_size_t
    use, intrinsic :: ieee_arithmetic, only: ieee_quiet_nan, ieee_value
    use sin_cos, only: sin_cos_law, sin_cos_rng
    implicit none
    private

    public :: sin_cos_quantile, sin_cos_u_error
    public :: sin_cos_quantile_new, sin_cos_quantile_free, sin_cos_quantile_failed
    public :: sin_cos_quantile_ppf, sin_cos_quantile_ppf_array, sin_cos_quantile_draw, sin_cos_quantile_u_error

    ! A handle; a quantile that could not be made holds nothing.
    type :: sin_cos_quantile
        type(c_ptr) :: ptr = c_null_ptr
    end type

    ! |F(ppf(u)) - u| <= bound = max(resolution, jump); jump, the largest cdf
    ! step between adjacent doubles where no double meets the resolution (0 if
    ! none), starts at the double `where` (NaN if none).
    type, bind(c) :: sin_cos_u_error
        real(c_double) :: resolution, bound, jump, where
    end type

    ! C's sin_cos_law
    type, bind(c) :: c_law
        real(c_double) :: xini, xfin, H
        integer(c_int) :: M
    end type

    interface
        type(c_ptr) function c_new(law, resolution) bind(c, name="sin_cos_quantile_new")
            import :: c_ptr, c_double, c_law
            type(c_law), intent(in) :: law
            real(c_double), value :: resolution
        end function
        subroutine c_free(q) bind(c, name="sin_cos_quantile_free")
            import :: c_ptr
            type(c_ptr), value :: q
        end subroutine
        pure real(c_double) function c_ppf(q, u) bind(c, name="sin_cos_quantile_ppf")
            import :: c_ptr, c_double
            type(c_ptr), value :: q
            real(c_double), value :: u
        end function
        integer(c_int) function c_ppf_array(q, u, x, count) bind(c, name="sin_cos_quantile_ppf_array")
            import :: c_ptr, c_double, c_int, c_size_t
            type(c_ptr), value :: q
            real(c_double), intent(in) :: u(*)
            real(c_double) :: x(*)
            integer(c_size_t), value :: count
        end function
        real(c_double) function c_draw(q, g) bind(c, name="sin_cos_quantile_draw")
            import :: c_ptr, c_double
            type(c_ptr), value :: q, g
        end function
        type(sin_cos_u_error) function c_u_error(q) bind(c, name="sin_cos_quantile_u_error")
            import :: c_ptr, sin_cos_u_error
            type(c_ptr), value :: q
        end function
    end interface

contains

    ! The quantile of the law to the u-resolution asked (default 1e-12, in
    ! [1e-14, 1e-6]); sin_cos_quantile_failed(q), sin_cos_error() saying why,
    ! for a law or resolution refused or a resolution out of reach.
    function sin_cos_quantile_new(law, resolution) result(q)
        type(sin_cos_law), intent(in) :: law
        real(c_double), intent(in), optional :: resolution
        type(sin_cos_quantile) :: q
        real(c_double) :: r
        r = 0
        if (present(resolution)) r = resolution
        q%ptr = c_new(c_law(law%xini, law%xfin, law%H, int(law%M, c_int)), r)
    end function

    logical function sin_cos_quantile_failed(q)
        type(sin_cos_quantile), intent(in) :: q
        sin_cos_quantile_failed = .not. c_associated(q%ptr)
    end function

    subroutine sin_cos_quantile_free(q)
        type(sin_cos_quantile), intent(inout) :: q
        call c_free(q%ptr)
        q%ptr = c_null_ptr
    end subroutine

    ! x = F^-1(u): xini at 0, xfin at 1, NaN outside [0, 1].
    elemental real(c_double) function sin_cos_quantile_ppf(q, u)
        type(sin_cos_quantile), intent(in) :: q
        real(c_double), intent(in) :: u
        sin_cos_quantile_ppf = c_ppf(q%ptr, u)
    end function

    ! x(i) = F^-1(u(i)) in one call into the library (its bulk evaluation).
    subroutine sin_cos_quantile_ppf_array(q, u, x)
        type(sin_cos_quantile), intent(in) :: q
        real(c_double), intent(in), contiguous :: u(:)
        real(c_double), intent(out), contiguous :: x(:)
        integer(c_int) :: status
        if (size(x) /= size(u)) error stop 'sin_cos_quantile_ppf_array: u and x differ in size'
        status = c_ppf_array(q%ptr, u, x, int(size(u), c_size_t))
        if (status /= 0) x = ieee_value(x, ieee_quiet_nan)  ! no quantile
    end subroutine

    ! A draw by inversion from one word of g, u = (w >> 11) 2^-53: a stream of
    ! its own, C++'s law::quantile::draw and C's on the same seed.
    real(c_double) function sin_cos_quantile_draw(q, g)
        type(sin_cos_quantile), intent(in) :: q
        type(sin_cos_rng), intent(in) :: g
        sin_cos_quantile_draw = c_draw(q%ptr, g%ptr)
    end function

    type(sin_cos_u_error) function sin_cos_quantile_u_error(q)
        type(sin_cos_quantile), intent(in) :: q
        sin_cos_quantile_u_error = c_u_error(q%ptr)
    end function

end module
