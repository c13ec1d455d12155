! The Fortran module: the pinned stream, refused builds and loads, and the next build.
!     fortran_test KNOWN_DRAWS
program fortran_test
    use sin_cos
    use sin_cos_quantiles
    implicit none
    type(sin_cos_table) :: t
    type(sin_cos_table), allocatable :: set(:), loaded(:)
    type(sin_cos_table) :: other_table
    type(sin_cos_law) :: law
    logical :: written
    type(sin_cos_rng) :: g, other
    character(len=4096) :: path
    character(len=16) :: mode
    character(len=256) :: line
    real(c_double) :: H, xini, xfin, value, x, filled(8)
    real(c_double), allocatable :: edges(:)
    character(len=:), allocatable :: message
    integer(c_int64_t) :: seed
    integer :: M, n, k, unit, ios, lines, failures
    real(c_double) :: points(5), cdfs(5), tails(5)
    type(sin_cos_quantile) :: q
    type(sin_cos_u_error) :: bound
    ! C++'s law::quantile(-1, 1, 0, 2).draw on std::mt19937_64(12345), as C's and Python's
    real(c_double), parameter :: cpp_12345(6) = [-0.7999879052773158d0, -0.7257047347118509d0, &
        0.8594985323503889d0, 0.6254230480848134d0, 0.6675638541971359d0, -0.9431137149111067d0]
    ! The uniforms of those draws: the top 53 bits of the engine's first words
    real(c_double), parameter :: words_12345(6) = [0.35762972288842587d0, 0.40044261704406114d0, &
        0.6893833170027684d0, 0.5597355706411156d0, 0.5744512939917109d0, 0.2076905268617546d0]
    real(c_double) :: u(6), xs(6)

    failures = 0
    lines = 0
    call get_command_argument(1, path)
    open (newunit=unit, file=trim(path), status='old', action='read')
    do
        read (unit, '(a)', iostat=ios) line
        if (ios /= 0) exit
        read (line, *) H, M, xini, xfin, n, mode, seed, k, value
        lines = lines + 1
        if (k == 1) then
            call sin_cos_free(t)
            call sin_cos_rng_free(g)
            t = sin_cos_table_build(sin_cos_law(xini=xini, xfin=xfin, H=H, M=M), n, tight=(mode == 'tight'))
            if (sin_cos_failed(t)) error stop sin_cos_error()
            g = sin_cos_rng_new(seed)
            other = sin_cos_rng_new(seed)
            call sin_cos_fill(t, other, filled)
            call sin_cos_rng_free(other)
        end if
        x = sin_cos_draw(t, g)
        if (x /= value .or. filled(k) /= value) then
            print '(a, 2es26.17)', 'differs: ' // trim(line), x, filled(k)
            failures = failures + 1
        end if
    end do
    close (unit)
    call sin_cos_free(t)
    if (lines < 40) failures = failures + 1

    ! Every kind of failure, its message naming the value at fault; the next build works.
    open (newunit=unit, file='fortran_malformed.res', status='replace', action='write')
    write (unit, '(a)') '*** copy this line', '#define Nd_poi two'
    close (unit)
    open (newunit=unit, file='fortran_unsound.res', status='replace', action='write')
    write (unit, '(a)') '*** copy this line', '#define Nd_poi 2', '$ end', '1e300 4 2 -0.5 0.5 1.0  1.0', '-0.5', '0'
    close (unit)
    open (newunit=unit, file='fortran_two.res', status='replace', action='write')
    write (unit, '(a)') '*** copy this line', '#define Nd_poi 1', '$ end', '1 0 1 -1 1 0  2', '-1', &
        '1 0 1 -1 1 0  2', '-1'
    close (unit)
    do k = 1, 10
        select case (k)
        case (1)
            t = sin_cos_load('missing/fortran.res')
            call expect(k, sin_cos_io, 'missing/fortran.res')
        case (2)
            loaded = sin_cos_load_tables('missing/fortran.res')
            call expect(k, sin_cos_io, 'missing/fortran.res', size(loaded) == 0)
        case (3)
            t = sin_cos_load('.')
            call expect(k, sin_cos_io, '.:')
        case (4)
            t = sin_cos_load('fortran_malformed.res')
            call expect(k, sin_cos_malformed, 'fortran_malformed.res:2: ')
        case (5)
            t = sin_cos_load('fortran_unsound.res')
            call expect(k, sin_cos_unsound, 'fortran_unsound.res:4: ')
        case (6)
            t = sin_cos_table_build(sin_cos_law(xini=0.5d0, xfin=-0.5d0, H=2d0, M=4), 10)
            call expect(k, sin_cos_refused, 'xini=0.5, xfin=-0.5')
        case (7)
            t = sin_cos_table_build(sin_cos_law(M=3), 10, tight=.true.)
            call expect(k, sin_cos_refused, 'M=3')
        case (8)
            t = sin_cos_table_build(sin_cos_law(xini=-0.5d0, xfin=0.8d0), 1)
            call expect(k, sin_cos_numerical, 'bracket')
        case (9)
            t = sin_cos_load('fortran_two.res', histogram=3)
            call expect(k, sin_cos_invalid, 'no histogram 3')
        case (10)
            ! 3 values of H and 2 of M: no law is built from half of them.
            set = sin_cos_build_tables([2d0, 3d0, 4d0], [4, 0], [-1d0, -1d0, -1d0], [1d0, 1d0, 1d0], 20)
            call expect(k, sin_cos_invalid, '3 H, 2 M', size(set) == 0)
            deallocate (set)
        end select
    end do
    t = sin_cos_table_build(sin_cos_law(), 1000, tight=.true.)
    edges = sin_cos_edges(t)
    if (sin_cos_failed(t) .or. sin_cos_bins(t) /= 1000 .or. size(edges) /= 1001 .or. edges(1) /= -1 .or. &
        edges(1001) /= 1 .or. sin_cos_H(t) /= 2 .or. sin_cos_M(t) /= 4 .or. sin_cos_loss(t) <= 0 .or. &
        sin_cos_area(t) <= 0 .or. sin_cos_xini(t) /= -1 .or. sin_cos_xfin(t) /= 1) then
        print '(a)', 'the build after the refusal: ' // sin_cos_error()
        failures = failures + 1
    end if
    law = sin_cos_table_law(t)
    if (law%xini /= -1 .or. law%xfin /= 1 .or. law%H /= 2 .or. law%M /= 4) then
        print '(a)', 'the build after the refusal: ' // sin_cos_error()
        failures = failures + 1
    end if
    call sin_cos_free(t)

    ! Three laws side by side, one file, read back: each histogram its single build.
    set = sin_cos_tables_build([sin_cos_law(xini=-1d0, xfin=1d0, H=2.11d0, M=4), &
                                sin_cos_law(xini=-0.3d0, xfin=0.9d0, H=3d0, M=0), &
                                sin_cos_law(xini=0d0, xfin=1d0, H=1.5d0, M=2)], 200)
    written = sin_cos_write_tables(set, 'fortran_tables.res')
    loaded = sin_cos_load_tables('fortran_tables.res')
    t = sin_cos_build(3d0, 0, -0.3d0, 0.9d0, 200)  ! 2.x's order, the same table
    other_table = sin_cos_load('fortran_tables.res', histogram=2)
    if (size(set) /= 3 .or. .not. written .or. size(loaded) /= 3 .or. sin_cos_failed(other_table)) then
        print '(a)', 'three laws: ' // sin_cos_error()
        failures = failures + 1
    else
        edges = sin_cos_edges(t)
        if (any(sin_cos_edges(loaded(2)) /= edges)) failures = failures + 1
        if (any(sin_cos_edges(other_table) /= edges)) failures = failures + 1
    end if
    call sin_cos_free(t)
    call sin_cos_free(other_table)
    ! Histograms are numbered from 1, and so are the refusals.
    other_table = sin_cos_load('fortran_tables.res', histogram=4)
    message = sin_cos_error()
    if (.not. sin_cos_failed(other_table) .or. &
        index(message, 'no histogram 4: the file holds 3, numbered from 1') == 0) then
        print '(a)', 'histogram 4: ' // message
        failures = failures + 1
    end if
    other_table = sin_cos_load('fortran_tables.res', histogram=0)
    message = sin_cos_error()
    if (.not. sin_cos_failed(other_table) .or. index(message, 'no histogram 0: the file holds 3') == 0) then
        print '(a)', 'histogram 0: ' // message
        failures = failures + 1
    end if
    call sin_cos_free_tables(set)
    call sin_cos_free_tables(loaded)
    deallocate (set, loaded)
    ! No law at all is refused, as in every language.
    set = sin_cos_tables_build([sin_cos_law ::], 200)
    message = sin_cos_error()
    if (size(set) /= 0 .or. index(message, 'no law was given') == 0) then
        print '(a)', 'no law: ' // message
        failures = failures + 1
    end if
    deallocate (set)
    ! A table too slow to draw from, with the bins that clear it.
    t = sin_cos_table_build(sin_cos_law(xini=0d0, xfin=1d0, H=1d0, M=2147483646), 1, tight=.true.)
    message = sin_cos_error()
    if (.not. sin_cos_failed(t) .or. index(message, 'use at least 2 bins') == 0) then
        print '(a)', 'slow table: ' // message
        failures = failures + 1
    end if
    ! The law's functions, elemental: closed-form variance on [-1, 1], cdf + sf = 1, C's values.
    law = sin_cos_law(xini=-1d0, xfin=1d0, H=0d0, M=2)
    points = [-1d0, -0.3d0, 0d0, 0.3d0, 1d0]
    cdfs = sin_cos_cdf(law, points)
    tails = sin_cos_sf(law, points)
    if (any(abs(cdfs + tails - 1) > 2.3d-16) .or. cdfs(3) /= 0.5d0 .or. cdfs(5) /= 1 &
        .or. abs(sin_cos_variance(law) - 0.75d0) > 1d-15 .or. abs(sin_cos_mean(law)) > 1d-15 &
        .or. abs(cdfs(4) - 0.50589220043189309d0) > 1d-15) then
        print '(a, 5es25.17)', 'law functions: ', cdfs
        failures = failures + 1
    end if
    value = sin_cos_cdf(sin_cos_law(H=-1d0), 0d0)
    message = sin_cos_error()
    if (value == value .or. index(message, 'H=-1') == 0) then
        print '(a)', 'invalid law: ' // message
        failures = failures + 1
    end if
    call sin_cos_rng_free(g)
    ! The quantile: the same uniforms give C++'s draws, elementally and in bulk.
    q = sin_cos_quantile_new(sin_cos_law(xini=-1d0, xfin=1d0, H=0d0, M=2))
    g = sin_cos_rng_new(12345_c_int64_t)
    do k = 1, 6
        u(k) = sin_cos_quantile_draw(q, g)
    end do
    if (any(u /= cpp_12345)) then
        print '(a, 6es25.17)', 'quantile draws: ', u
        failures = failures + 1
    end if
    u = words_12345
    call sin_cos_quantile_ppf_array(q, u, xs)
    if (any(sin_cos_quantile_ppf(q, u) /= cpp_12345) .or. any(xs /= cpp_12345)) then
        print '(a)', 'quantile ppf differs from its draws'
        failures = failures + 1
    end if
    bound = sin_cos_quantile_u_error(q)
    if (bound%resolution /= 1d-12 .or. bound%bound /= bound%jump .or. bound%where /= -1d0) then
        print '(a, 4es12.4)', 'quantile bound: ', bound%resolution, bound%bound, bound%jump, bound%where
        failures = failures + 1
    end if
    call sin_cos_quantile_free(q)
    q = sin_cos_quantile_new(sin_cos_law(xini=-1d0, xfin=1d0, H=2d0, M=3))
    message = sin_cos_error()
    if (.not. sin_cos_quantile_failed(q) .or. index(message, 'M=3') == 0) then
        print '(a)', 'quantile M=3: ' // message
        failures = failures + 1
    end if
    call sin_cos_rng_free(g)
    deallocate (edges, message)
    if (failures /= 0) error stop 'fortran_test: failed'
    print '(a)', 'fortran_test: passed'

contains

    ! The last call failed with this kind, and its message names the value.
    subroutine expect(case, kind, names, empty)
        integer, intent(in) :: case, kind
        character(len=*), intent(in) :: names
        logical, intent(in), optional :: empty
        logical :: failed
        integer :: got
        got = sin_cos_error_kind()
        failed = sin_cos_failed(t)
        if (present(empty)) failed = empty
        message = sin_cos_error()
        if (.not. failed .or. got /= kind .or. index(message, names) == 0) then
            print '(a, i0, a, i0, a, i0, 2a)', 'case ', case, ': kind ', got, ', not ', kind, &
                ': ', message
            failures = failures + 1
        end if
        call sin_cos_free(t)
    end subroutine
end program
