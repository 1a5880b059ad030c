/* The MPI package: Kj programs that run as several processes (ranks) under
 * mpirun, on one machine or many, over Open MPI.
 *
 * Any Kj value that holds data (int, double, matrix, string and arrays of
 * these, nested) can be sent, received and broadcast; it travels as a small
 * self-describing byte string (see pack/unpack below). Matrices can be
 * reduced element by element with "sum", "max" or "min".
 *
 * A program calls mpi_finalize() at its end. A rank whose process ends with
 * MPI still running (a run-time error stopped it, or the call was left out)
 * ends the whole job with MPI_Abort, so that the other ranks never wait for
 * it forever.
 */
#include <dlfcn.h>
#include <mpi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <kj80x.h>

enum { TAG_NULL = 0, TAG_INT = 1, TAG_DOUBLE = 2, TAG_MATRIX = 3, TAG_STRING = 4, TAG_ARRAY = 5 };

static int started = 0, finished = 0;

/* ---- messages -------------------------------------------------------- */

/* "function(): what" as a run-time error, which unwinds the run. */
__attribute__((noreturn)) static void fail(const char *function, const char *what) {
    char text[256];
    snprintf(text, sizeof text, "%s(): %s", function, what);
    KjRunErrorMessage(text);
    abort(); /* not reached */
}

static void need_running(const char *function) {
    if (!started || finished) fail(function, "MPI is not running (call mpi_init first)");
}

static int int_arg(KjValue *args, int i) {
    int x;
    if (!KjValGetInt(&args[i], &x)) KjLibArgTypeError(i, KJ_TYPE_INT, &args[i]);
    return x;
}

static void check_rank(const char *function, int rank, int any_allowed) {
    int size;
    MPI_Comm_size(MPI_COMM_WORLD, &size);
    if (rank == -1 && any_allowed) return;
    if (rank < 0 || rank >= size) fail(function, "no such rank");
}

/* ---- serialisation ----------------------------------------------------
 * A value is a tag byte, then:
 *   int: int32; double: float64; matrix: int32 rows, int32 columns, the
 *   elements row by row; string: int32 length, the bytes; array: int32
 *   count, the elements; a value without value: nothing.
 * Numbers are in the machine's own byte order (all ranks run on the same
 * kind of machine). */

typedef struct {
    char *data;
    size_t size, capacity;
} Buffer;

static void put(Buffer *b, const void *p, size_t n) {
    if (b->size + n > b->capacity) {
        size_t cap = b->capacity ? b->capacity : 256;
        while (cap < b->size + n) cap *= 2;
        char *grown = realloc(b->data, cap);
        if (!grown) {
            free(b->data);
            b->data = NULL;
            fail("mpi", "out of memory");
        }
        b->data = grown;
        b->capacity = cap;
    }
    memcpy(b->data + b->size, p, n);
    b->size += n;
}

static void put_tag(Buffer *b, char tag) { put(b, &tag, 1); }
static void put_int(Buffer *b, int x) { put(b, &x, sizeof x); }

static void pack(Buffer *b, KjValue *v, const char *function) {
    if (KjValHasFlag(v, KJ_FLAG_NULL)) {
        put_tag(b, TAG_NULL);
        return;
    }
    switch (KjValType(v)) {
        case KJ_TYPE_INT: {
            int x = 0;
            KjValGetInt(v, &x);
            put_tag(b, TAG_INT);
            put_int(b, x);
            return;
        }
        case KJ_TYPE_DOUBLE: {
            double x = 0;
            KjValGetDouble(v, &x);
            put_tag(b, TAG_DOUBLE);
            put(b, &x, sizeof x);
            return;
        }
        case KJ_TYPE_MATRIX: {
            double **m = KjValGetMat(v);
            const int r = KjValGetMatr(v), c = KjValGetMatc(v);
            put_tag(b, TAG_MATRIX);
            put_int(b, r);
            put_int(b, c);
            if (m && r > 0 && c > 0) put(b, m[0], sizeof(double) * (size_t)r * (size_t)c);
            return;
        }
        case KJ_TYPE_STRING: {
            const int n = KjValGetStringLen(v);
            put_tag(b, TAG_STRING);
            put_int(b, n);
            if (n > 0) put(b, KjValGetString(v), (size_t)n);
            return;
        }
        case KJ_TYPE_ARRAY: {
            const int n = KjValGetArrayLen(v);
            put_tag(b, TAG_ARRAY);
            put_int(b, n);
            for (int i = 0; i < n; ++i) pack(b, KjValGetArrayVal(v, i), function);
            return;
        }
        default: {
            char what[96];
            snprintf(what, sizeof what, "cannot send a value of type %s", SKjGetTypeName((unsigned)KjValType(v)));
            free(b->data);
            b->data = NULL;
            fail(function, what);
        }
    }
}

typedef struct {
    const char *p, *end;
} Reader;

static int take(Reader *r, void *out, size_t n) {
    if ((size_t)(r->end - r->p) < n) return 0;
    memcpy(out, r->p, n);
    r->p += n;
    return 1;
}

/* 0 when the bytes are not a whole value. */
static int unpack(Reader *r, KjValue *v, int depth) {
    char tag;
    int n, c;
    if (depth > 100 || !take(r, &tag, 1)) return 0;
    switch (tag) {
        case TAG_NULL:
            KjValSetNull(v);
            return 1;
        case TAG_INT:
            if (!take(r, &n, sizeof n)) return 0;
            KjValSetInt(v, n);
            return 1;
        case TAG_DOUBLE: {
            double x;
            if (!take(r, &x, sizeof x)) return 0;
            KjValSetDouble(v, x);
            return 1;
        }
        case TAG_MATRIX: {
            if (!take(r, &n, sizeof n) || !take(r, &c, sizeof c) || n < 0 || c < 0) return 0;
            const size_t bytes = sizeof(double) * (size_t)n * (size_t)c;
            if ((size_t)(r->end - r->p) < bytes) return 0;
            double **m = KjLibValMatMalloc(v, n, c);
            if (bytes) take(r, m[0], bytes);
            return 1;
        }
        case TAG_STRING: {
            if (!take(r, &n, sizeof n) || n < 0 || (size_t)(r->end - r->p) < (size_t)n) return 0;
            char *s = KjLibValStrMalloc(v, n);
            if (n) take(r, s, (size_t)n);
            return 1;
        }
        case TAG_ARRAY: {
            if (!take(r, &n, sizeof n) || n < 0 || (size_t)(r->end - r->p) < (size_t)n) return 0;
            KjValue *e = KjLibValArrayCalloc(v, n);
            for (int i = 0; i < n; ++i)
                if (!unpack(r, &e[i], depth + 1)) return 0;
            return 1;
        }
        default:
            return 0;
    }
}

/* Unpacks a whole message into result and frees it. */
static void unpack_message(char *data, int size, KjValue *result, const char *function) {
    Reader r = {data, data + size};
    const int ok = unpack(&r, result, 0) && r.p == r.end;
    free(data);
    if (!ok) fail(function, "received bytes that are not a Kj value");
}

/* ---- start and end ---------------------------------------------------- */

/* The process is ending with MPI still running: a run-time error stopped
 * this rank (or mpi_finalize was left out), so the others must not wait for
 * it. */
static void abort_job(void) {
    if (started && !finished) {
        fflush(stdout);
        fflush(stderr);
        MPI_Abort(MPI_COMM_WORLD, 1);
    }
}

/* mpi_init(): starts MPI (once); returns the number of ranks. */
KJ_EXPORT void kjmpi_init(KjValue *result, KjValue *args, int count) {
    (void)args;
    (void)count;
    if (finished) fail("mpi_init", "MPI cannot be started again after mpi_finalize");
    if (!started) {
        /* MPI's own plug-ins need its symbols visible to them. */
        dlopen("libmpi.so.40", RTLD_NOW | RTLD_GLOBAL | RTLD_NOLOAD);
        int initialised = 0;
        MPI_Initialized(&initialised);
        if (!initialised && MPI_Init(NULL, NULL) != MPI_SUCCESS) fail("mpi_init", "MPI did not start");
        MPI_Comm_set_errhandler(MPI_COMM_WORLD, MPI_ERRORS_ARE_FATAL);
        started = 1;
        atexit(abort_job);
    }
    int size;
    MPI_Comm_size(MPI_COMM_WORLD, &size);
    KjValSetInt(result, size);
}

/* mpi_finalize(): ends MPI; later MPI calls are errors. */
KJ_EXPORT void kjmpi_finalize(KjValue *result, KjValue *args, int count) {
    (void)args;
    (void)count;
    need_running("mpi_finalize");
    finished = 1;
    MPI_Finalize();
    KjValSetInt(result, 0);
}

KJ_EXPORT void kjmpi_rank(KjValue *result, KjValue *args, int count) {
    int rank;
    (void)args;
    (void)count;
    need_running("mpi_rank");
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    KjValSetInt(result, rank);
}

KJ_EXPORT void kjmpi_size(KjValue *result, KjValue *args, int count) {
    int size;
    (void)args;
    (void)count;
    need_running("mpi_size");
    MPI_Comm_size(MPI_COMM_WORLD, &size);
    KjValSetInt(result, size);
}

KJ_EXPORT void kjmpi_barrier(KjValue *result, KjValue *args, int count) {
    (void)args;
    (void)count;
    need_running("mpi_barrier");
    MPI_Barrier(MPI_COMM_WORLD);
    KjValSetInt(result, 0);
}

/* mpi_wtime(): seconds on a steady wall clock (differences are what count).
 * MPI's own clock reads 0 until mpi_init, so a reading taken before it would
 * not compare with later ones; the monotonic clock runs from the start. */
KJ_EXPORT void kjmpi_wtime(KjValue *result, KjValue *args, int count) {
    struct timespec t;
    (void)args;
    (void)count;
    clock_gettime(CLOCK_MONOTONIC, &t);
    KjValSetDouble(result, (double)t.tv_sec + 1e-9 * (double)t.tv_nsec);
}

/* ---- point to point ---------------------------------------------------- */

/* mpi_send(value, dest, tag): sends a copy of value. */
KJ_EXPORT void kjmpi_send(KjValue *result, KjValue *args, int count) {
    (void)count;
    need_running("mpi_send");
    const int dest = int_arg(args, 1), tag = int_arg(args, 2);
    check_rank("mpi_send", dest, 0);
    if (tag < 0) KjLibArgError(2);
    Buffer b = {0};
    pack(&b, &args[0], "mpi_send");
    MPI_Send(b.data, (int)b.size, MPI_BYTE, dest, tag, MPI_COMM_WORLD);
    free(b.data);
    KjValSetInt(result, 0);
}

/* mpi_recv(source, tag [, &status]): the value sent; source -1 is any rank,
 * tag -1 any tag; status receives <source, tag>. */
KJ_EXPORT void kjmpi_recv(KjValue *result, KjValue *args, int count) {
    need_running("mpi_recv");
    const int source = int_arg(args, 0), tag = int_arg(args, 1);
    check_rank("mpi_recv", source, 1);
    MPI_Status status;
    int size;
    MPI_Probe(source < 0 ? MPI_ANY_SOURCE : source, tag < 0 ? MPI_ANY_TAG : tag, MPI_COMM_WORLD, &status);
    MPI_Get_count(&status, MPI_BYTE, &size);
    char *data = malloc(size > 0 ? (size_t)size : 1);
    if (!data) fail("mpi_recv", "out of memory");
    MPI_Recv(data, size, MPI_BYTE, status.MPI_SOURCE, status.MPI_TAG, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
    unpack_message(data, size, result, "mpi_recv");
    if (count > 2 && KjValHasFlag(&args[2], KJ_FLAG_ADDRESS)) {
        KjValue *target = KjValGetArrayVal(&args[2], 0);
        const double who[2] = {status.MPI_SOURCE, status.MPI_TAG};
        if (target) KjValSetVecr(target, who, 1, 2);
    }
}

/* mpi_bcast(value, root): root's value on every rank. */
KJ_EXPORT void kjmpi_bcast(KjValue *result, KjValue *args, int count) {
    int rank, size = 0;
    (void)count;
    need_running("mpi_bcast");
    const int root = int_arg(args, 1);
    check_rank("mpi_bcast", root, 0);
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    Buffer b = {0};
    if (rank == root) {
        pack(&b, &args[0], "mpi_bcast");
        size = (int)b.size;
    }
    MPI_Bcast(&size, 1, MPI_INT, root, MPI_COMM_WORLD);
    if (rank != root) {
        b.data = malloc(size > 0 ? (size_t)size : 1);
        if (!b.data) fail("mpi_bcast", "out of memory");
    }
    MPI_Bcast(b.data, size, MPI_BYTE, root, MPI_COMM_WORLD);
    unpack_message(b.data, size, result, "mpi_bcast");
}

/* ---- reductions -------------------------------------------------------- */

static MPI_Op reduction(const char *function, KjValue *arg, int index) {
    const char *op = KjValGetString(arg);
    if (!op) KjLibArgTypeError(index, KJ_TYPE_STRING, arg);
    if (strcmp(op, "sum") == 0) return MPI_SUM;
    if (strcmp(op, "max") == 0) return MPI_MAX;
    if (strcmp(op, "min") == 0) return MPI_MIN;
    fail(function, "the operation must be \"sum\", \"max\" or \"min\"");
}

/* Element by element over every rank; every rank must pass a matrix of the
 * same size (checked, so that a mismatch is an error and not a hang). */
static void reduce(KjValue *result, KjValue *args, int root, const char *function) {
    double **m = KjValGetMat(&args[0]);
    if (!m) KjLibArgTypeError(0, KJ_TYPE_MATRIX, &args[0]);
    const MPI_Op op = reduction(function, &args[1], 1);
    const int r = KjValGetMatr(&args[0]), c = KjValGetMatc(&args[0]);
    int dims[2] = {r, c}, low[2], high[2];
    MPI_Allreduce(dims, low, 2, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
    MPI_Allreduce(dims, high, 2, MPI_INT, MPI_MAX, MPI_COMM_WORLD);
    if (low[0] != high[0] || low[1] != high[1]) fail(function, "the matrices differ in size between ranks");
    int rank;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    const int n = r * c;
    if (root >= 0 && rank != root) {
        if (n > 0) MPI_Reduce(m[0], NULL, n, MPI_DOUBLE, op, root, MPI_COMM_WORLD);
        KjValSetMatZero(result, 0, 0);
        return;
    }
    double **y = KjLibValMatMalloc(result, r, c);
    if (n == 0) return;
    if (root >= 0)
        MPI_Reduce(m[0], y[0], n, MPI_DOUBLE, op, root, MPI_COMM_WORLD);
    else
        MPI_Allreduce(m[0], y[0], n, MPI_DOUBLE, op, MPI_COMM_WORLD);
}

/* mpi_reduce(m, op, root): the reduced matrix on root, an empty one elsewhere. */
KJ_EXPORT void kjmpi_reduce(KjValue *result, KjValue *args, int count) {
    (void)count;
    need_running("mpi_reduce");
    const int root = int_arg(args, 2);
    check_rank("mpi_reduce", root, 0);
    reduce(result, args, root, "mpi_reduce");
}

/* mpi_allreduce(m, op): the reduced matrix on every rank. */
KJ_EXPORT void kjmpi_allreduce(KjValue *result, KjValue *args, int count) {
    (void)count;
    need_running("mpi_allreduce");
    reduce(result, args, -1, "mpi_allreduce");
}
