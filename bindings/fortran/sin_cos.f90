! The sampler from Fortran, over its C interface: tables built in process or
! read from the file sin_cos writes, and draws from them.
!
!     use sin_cos
!     type(sin_cos_table) :: t
!     type(sin_cos_rng) :: g
!     t = sin_cos_table_build(sin_cos_law(xini=-1d0, xfin=1d0, H=2d0, M=4), 1000, tight=.true.)
!     if (sin_cos_failed(t)) error stop sin_cos_error()
!     g = sin_cos_rng_new(12345_c_int64_t)
!     x = sin_cos_draw(t, g)
!     call sin_cos_rng_free(g)
!     call sin_cos_free(t)
module sin_cos
    use, intrinsic :: iso_c_binding, only: c_associated, c_char, c_double, c_f_pointer, c_int, c_int64_t, &
                                           c_long_long, c_null_char, c_null_ptr, c_ptr, c_size_t
    implicit none
    private

    public :: c_double, c_int64_t
    public :: sin_cos_law, sin_cos_table, sin_cos_rng
    public :: sin_cos_table_build, sin_cos_tables_build, sin_cos_table_law
    public :: sin_cos_build, sin_cos_load, sin_cos_write, sin_cos_free, sin_cos_failed
    public :: sin_cos_build_tables, sin_cos_load_tables, sin_cos_write_tables, sin_cos_free_tables
    public :: sin_cos_error, sin_cos_error_kind
    public :: sin_cos_no_error, sin_cos_refused, sin_cos_numerical, sin_cos_malformed, sin_cos_unsound, sin_cos_io, &
              sin_cos_invalid, sin_cos_no_memory, sin_cos_other
    public :: sin_cos_H, sin_cos_M, sin_cos_xini, sin_cos_xfin, sin_cos_loss, sin_cos_area, sin_cos_bins, &
              sin_cos_edges
    public :: sin_cos_rng_new, sin_cos_rng_free, sin_cos_draw, sin_cos_fill

    ! The law of density x^M (1 - x^2)^((H-1)/2) on [xini, xfin], in the order
    ! the tool asks for it: sin_cos_law(xini=-1d0, xfin=1d0, H=2d0, M=4).
    type :: sin_cos_law
        real(c_double) :: xini = -1, xfin = 1, H = 2
        integer :: M = 4
    end type

    ! The kinds of failure, those of C's sin_cos_error_kind.
    integer, parameter :: sin_cos_no_error = 0, sin_cos_refused = 1, sin_cos_numerical = 2, sin_cos_malformed = 3, &
                          sin_cos_unsound = 4, sin_cos_io = 5, sin_cos_invalid = 6, sin_cos_no_memory = 7, &
                          sin_cos_other = 8

    ! The C interface's law.
    type, bind(c) :: c_law
        real(c_double) :: xini, xfin, H
        integer(c_int) :: M
    end type

    ! Handles; a table that failed to build or load holds nothing.
    type :: sin_cos_table
        type(c_ptr) :: ptr = c_null_ptr
    end type

    ! std::mt19937_64: the stream of C++ and C for the same seed.
    type :: sin_cos_rng
        type(c_ptr) :: ptr = c_null_ptr
    end type

    interface
        type(c_ptr) function c_table_build(law, n, mode) bind(c, name="sin_cos_table_build")
            import :: c_ptr, c_int, c_law
            type(c_law), intent(in) :: law
            integer(c_int), value :: n, mode
        end function
        type(c_ptr) function c_tables_build(laws, count, n, mode) bind(c, name="sin_cos_tables_build")
            import :: c_ptr, c_int, c_size_t, c_law
            type(c_law), intent(in) :: laws(*)
            integer(c_size_t), value :: count
            integer(c_int), value :: n, mode
        end function
        subroutine c_refuse(message) bind(c, name="sin_cos_fortran_refuse")
            import :: c_char
            character(kind=c_char), intent(in) :: message(*)
        end subroutine
        type(c_ptr) function c_load(path) bind(c, name="sin_cos_load")
            import :: c_ptr, c_char
            character(kind=c_char), intent(in) :: path(*)
        end function
        integer(c_int) function c_write(t, path) bind(c, name="sin_cos_write")
            import :: c_ptr, c_char, c_int
            type(c_ptr), value :: t
            character(kind=c_char), intent(in) :: path(*)
        end function
        subroutine c_free(t) bind(c, name="sin_cos_free")
            import :: c_ptr
            type(c_ptr), value :: t
        end subroutine
        type(c_ptr) function c_load_tables(path, count) bind(c, name="sin_cos_load_tables")
            import :: c_ptr, c_char, c_size_t
            character(kind=c_char), intent(in) :: path(*)
            integer(c_size_t), intent(out) :: count
        end function
        type(c_ptr) function c_load_numbered(path, number) bind(c, name="sin_cos_fortran_load_histogram")
            import :: c_ptr, c_char, c_long_long
            character(kind=c_char), intent(in) :: path(*)
            integer(c_long_long), value :: number
        end function
        integer(c_int) function c_write_tables(tables, count, path) bind(c, name="sin_cos_write_tables")
            import :: c_ptr, c_char, c_int, c_size_t
            type(c_ptr), intent(in) :: tables(*)
            integer(c_size_t), value :: count
            character(kind=c_char), intent(in) :: path(*)
        end function
        subroutine c_free_array(p) bind(c, name="free")
            import :: c_ptr
            type(c_ptr), value :: p
        end subroutine
        type(c_ptr) function c_error() bind(c, name="sin_cos_error")
            import :: c_ptr
        end function
        integer(c_int) function c_error_kind() bind(c, name="sin_cos_last_error_kind")
            import :: c_int
        end function
        pure type(c_law) function c_table_law(t) bind(c, name="sin_cos_table_law")
            import :: c_ptr, c_law
            type(c_ptr), value :: t
        end function
        pure real(c_double) function c_H(t) bind(c, name="sin_cos_H")
            import :: c_ptr, c_double
            type(c_ptr), value :: t
        end function
        pure integer(c_int) function c_M(t) bind(c, name="sin_cos_M")
            import :: c_ptr, c_int
            type(c_ptr), value :: t
        end function
        pure real(c_double) function c_xini(t) bind(c, name="sin_cos_xini")
            import :: c_ptr, c_double
            type(c_ptr), value :: t
        end function
        pure real(c_double) function c_xfin(t) bind(c, name="sin_cos_xfin")
            import :: c_ptr, c_double
            type(c_ptr), value :: t
        end function
        pure real(c_double) function c_loss(t) bind(c, name="sin_cos_loss")
            import :: c_ptr, c_double
            type(c_ptr), value :: t
        end function
        pure real(c_double) function c_area(t) bind(c, name="sin_cos_area")
            import :: c_ptr, c_double
            type(c_ptr), value :: t
        end function
        pure integer(c_size_t) function c_bins(t) bind(c, name="sin_cos_bins")
            import :: c_ptr, c_size_t
            type(c_ptr), value :: t
        end function
        type(c_ptr) function c_edges(t) bind(c, name="sin_cos_edges")
            import :: c_ptr
            type(c_ptr), value :: t
        end function
        type(c_ptr) function c_rng_new(seed) bind(c, name="sin_cos_rng_new")
            import :: c_ptr, c_int64_t
            integer(c_int64_t), value :: seed
        end function
        subroutine c_rng_free(g) bind(c, name="sin_cos_rng_free")
            import :: c_ptr
            type(c_ptr), value :: g
        end subroutine
        real(c_double) function c_draw(t, g) bind(c, name="sin_cos_draw")
            import :: c_ptr, c_double
            type(c_ptr), value :: t, g
        end function
        subroutine c_fill(t, g, out, count) bind(c, name="sin_cos_fill")
            import :: c_ptr, c_double, c_size_t
            type(c_ptr), value :: t, g
            real(c_double) :: out(*)
            integer(c_size_t), value :: count
        end subroutine
        integer(c_size_t) function c_strlen(s) bind(c, name="strlen")
            import :: c_ptr, c_size_t
            type(c_ptr), value :: s
        end function
    end interface

contains

    ! The table sin_cos (sin_cos --tight with tight = .true.) writes for the
    ! law and n; sin_cos_failed(t) where the tool would stop.
    function sin_cos_table_build(law, n, tight) result(t)
        type(sin_cos_law), intent(in) :: law
        integer, intent(in) :: n
        logical, intent(in), optional :: tight
        type(sin_cos_table) :: t
        t%ptr = c_table_build(to_c(law), int(n, c_int), mode_of(tight))
    end function

    ! The tables of the laws with n bins each, built side by side; an array of
    ! size 0 where the tool would stop for one of them (sin_cos_error() names
    ! the first in order).
    function sin_cos_tables_build(laws, n, tight) result(tables)
        type(sin_cos_law), intent(in) :: laws(:)
        integer, intent(in) :: n
        logical, intent(in), optional :: tight
        type(sin_cos_table), allocatable :: tables(:)
        type(c_law), allocatable :: c_laws(:)
        integer :: k
        allocate (c_laws(size(laws)))
        do k = 1, size(laws)
            c_laws(k) = to_c(laws(k))
        end do
        tables = adopt(c_tables_build(c_laws, int(size(laws), c_size_t), int(n, c_int), mode_of(tight)), &
                       int(size(laws), c_size_t))
    end function

    ! 2.x's order: sin_cos_table_build(sin_cos_law(xini, xfin, H, M), n, tight).
    function sin_cos_build(H, M, xini, xfin, n, tight) result(t)
        real(c_double), intent(in) :: H, xini, xfin
        integer, intent(in) :: M, n
        logical, intent(in), optional :: tight
        type(sin_cos_table) :: t
        t = sin_cos_table_build(sin_cos_law(xini=xini, xfin=xfin, H=H, M=M), n, tight)
    end function

    ! Writes the table file as sin_cos writes it; .false. on failure.
    logical function sin_cos_write(t, path)
        type(sin_cos_table), intent(in) :: t
        character(len=*), intent(in) :: path
        sin_cos_write = c_write(t%ptr, trim(path) // c_null_char) == 0
    end function

    ! A table file written by sin_cos; with histogram (from 1), that histogram
    ! of a file of several (without it such a file is refused, the message
    ! saying how many histograms it holds; a number out of range is refused
    ! counting from 1).
    function sin_cos_load(path, histogram) result(t)
        character(len=*), intent(in) :: path
        integer, intent(in), optional :: histogram
        type(sin_cos_table) :: t
        if (present(histogram)) then
            t%ptr = c_load_numbered(trim(path) // c_null_char, int(histogram, c_long_long))
        else
            t%ptr = c_load(trim(path) // c_null_char)
        end if
    end function

    ! Every histogram of a table file, in order; an array of size 0 on failure.
    function sin_cos_load_tables(path) result(tables)
        character(len=*), intent(in) :: path
        type(sin_cos_table), allocatable :: tables(:)
        type(c_ptr) :: array
        integer(c_size_t) :: count
        array = c_load_tables(trim(path) // c_null_char, count)
        tables = adopt(array, count)
    end function

    ! 2.x's parallel arrays, one law (H(k), M(k), xini(k), xfin(k)) at each k:
    ! arrays of different sizes are refused (sin_cos_invalid), naming them.
    function sin_cos_build_tables(H, M, xini, xfin, n, tight) result(tables)
        real(c_double), intent(in) :: H(:), xini(:), xfin(:)
        integer, intent(in) :: M(:), n
        logical, intent(in), optional :: tight
        type(sin_cos_table), allocatable :: tables(:)
        character(len=200) :: sizes
        integer :: k
        if (size(M) /= size(H) .or. size(xini) /= size(H) .or. size(xfin) /= size(H)) then
            write (sizes, '(a, 4(i0, a))') 'sin_cos_build_tables: the arrays hold ', size(H), ' H, ', size(M), &
                ' M, ', size(xini), ' xini and ', size(xfin), ' xfin: one of each a law'
            call c_refuse(trim(sizes) // c_null_char)
            allocate (tables(0))
            return
        end if
        tables = sin_cos_tables_build([(sin_cos_law(xini=xini(k), xfin=xfin(k), H=H(k), M=M(k)), k = 1, size(H))], &
                                      n, tight)
    end function

    ! One table file of the tables in order; .false. on failure.
    logical function sin_cos_write_tables(tables, path)
        type(sin_cos_table), intent(in) :: tables(:)
        character(len=*), intent(in) :: path
        type(c_ptr), allocatable :: handles(:)
        integer :: k
        allocate (handles(size(tables)))
        do k = 1, size(tables)
            handles(k) = tables(k)%ptr
        end do
        sin_cos_write_tables = c_write_tables(handles, int(size(tables), c_size_t), trim(path) // c_null_char) == 0
    end function

    subroutine sin_cos_free_tables(tables)
        type(sin_cos_table), intent(inout) :: tables(:)
        integer :: k
        do k = 1, size(tables)
            call sin_cos_free(tables(k))
        end do
    end subroutine

    subroutine sin_cos_free(t)
        type(sin_cos_table), intent(inout) :: t
        call c_free(t%ptr)
        t%ptr = c_null_ptr
    end subroutine

    pure logical function sin_cos_failed(t)
        type(sin_cos_table), intent(in) :: t
        sin_cos_failed = .not. c_associated(t%ptr)
    end function

    ! Why this thread's last failing call failed: the tool's message for a build.
    function sin_cos_error() result(message)
        character(len=:), allocatable :: message
        character(kind=c_char), pointer :: text(:)
        type(c_ptr) :: p
        integer :: i, length
        p = c_error()
        length = int(c_strlen(p))
        call c_f_pointer(p, text, [length])
        allocate (character(len=length) :: message)
        do i = 1, length
            message(i:i) = text(i)
        end do
    end function

    ! The kind of this thread's last failure: sin_cos_refused, ...,
    ! sin_cos_invalid (the values of C's sin_cos_error_kind).
    integer function sin_cos_error_kind()
        sin_cos_error_kind = int(c_error_kind())
    end function

    ! The table's law.
    pure type(sin_cos_law) function sin_cos_table_law(t)
        type(sin_cos_table), intent(in) :: t
        type(c_law) :: l
        l = c_table_law(t%ptr)
        sin_cos_table_law = sin_cos_law(xini=l%xini, xfin=l%xfin, H=l%H, M=int(l%M))
    end function

    pure real(c_double) function sin_cos_H(t)
        type(sin_cos_table), intent(in) :: t
        sin_cos_H = c_H(t%ptr)
    end function

    pure integer function sin_cos_M(t)
        type(sin_cos_table), intent(in) :: t
        sin_cos_M = int(c_M(t%ptr))
    end function

    pure real(c_double) function sin_cos_xini(t)
        type(sin_cos_table), intent(in) :: t
        sin_cos_xini = c_xini(t%ptr)
    end function

    pure real(c_double) function sin_cos_xfin(t)
        type(sin_cos_table), intent(in) :: t
        sin_cos_xfin = c_xfin(t%ptr)
    end function

    ! Excess area of the envelope, in percent.
    pure real(c_double) function sin_cos_loss(t)
        type(sin_cos_table), intent(in) :: t
        sin_cos_loss = c_loss(t%ptr)
    end function

    ! The common bin area a.
    pure real(c_double) function sin_cos_area(t)
        type(sin_cos_table), intent(in) :: t
        sin_cos_area = c_area(t%ptr)
    end function

    pure integer function sin_cos_bins(t)
        type(sin_cos_table), intent(in) :: t
        sin_cos_bins = int(c_bins(t%ptr))
    end function

    ! The bins + 1 edges, the last one xfin.
    function sin_cos_edges(t) result(edges)
        type(sin_cos_table), intent(in) :: t
        real(c_double), allocatable :: edges(:)
        real(c_double), pointer :: view(:)
        if (sin_cos_failed(t)) then
            allocate (edges(0))
            return
        end if
        allocate (edges(sin_cos_bins(t) + 1))
        call c_f_pointer(c_edges(t%ptr), view, [size(edges)])
        edges = view
    end function

    function sin_cos_rng_new(seed) result(g)
        integer(c_int64_t), intent(in) :: seed
        type(sin_cos_rng) :: g
        g%ptr = c_rng_new(seed)
    end function

    subroutine sin_cos_rng_free(g)
        type(sin_cos_rng), intent(inout) :: g
        call c_rng_free(g%ptr)
        g%ptr = c_null_ptr
    end subroutine

    real(c_double) function sin_cos_draw(t, g)
        type(sin_cos_table), intent(in) :: t
        type(sin_cos_rng), intent(in) :: g
        sin_cos_draw = c_draw(t%ptr, g%ptr)
    end function

    ! Fills out with successive draws, as many calls of sin_cos_draw would.
    subroutine sin_cos_fill(t, g, out)
        type(sin_cos_table), intent(in) :: t
        type(sin_cos_rng), intent(in) :: g
        real(c_double), intent(out), contiguous :: out(:)
        call c_fill(t%ptr, g%ptr, out, int(size(out), c_size_t))
    end subroutine

    type(c_law) function to_c(law)
        type(sin_cos_law), intent(in) :: law
        to_c = c_law(law%xini, law%xfin, law%H, int(law%M, c_int))
    end function

    integer(c_int) function mode_of(tight)
        logical, intent(in), optional :: tight
        mode_of = 0
        if (present(tight)) then
            if (tight) mode_of = 1
        end if
    end function

    ! The handles of a C array of tables, which is freed: the tables stay.
    function adopt(array, count) result(tables)
        type(c_ptr), intent(in) :: array
        integer(c_size_t), intent(in) :: count
        type(sin_cos_table), allocatable :: tables(:)
        type(c_ptr), pointer :: handles(:)
        integer :: k
        if (.not. c_associated(array)) then
            allocate (tables(0))
            return
        end if
        call c_f_pointer(array, handles, [count])
        allocate (tables(count))
        do k = 1, int(count)
            tables(k)%ptr = handles(k)
        end do
        call c_free_array(array)
    end function

end module
