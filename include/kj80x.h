/*
 * kj80x.h: the C interface of the Kj run-time library (libkj80x).
 *
 * Hosts (console program, editor, graphical shell) and native packages include
 * this header only. Everything here is plain C: integer codes, the five-word
 * value record, callback types and the exported functions, grouped by family.
 */
#ifndef KJ80X_H
#define KJ80X_H

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#if defined(KJ_BUILDING_LIBRARY)
#define KJ_API __attribute__((visibility("default")))
#else
#define KJ_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* =====================================================================
 * Type codes (low 8 bits of the type-and-flags word)
 * ===================================================================== */
#define KJ_TYPE_NONE    0  /* "not inititalized"; always carries KJ_FLAG_NULL */
#define KJ_TYPE_INT     1
#define KJ_TYPE_DOUBLE  2
#define KJ_TYPE_MATRIX  3
#define KJ_TYPE_STRING  4
#define KJ_TYPE_ARRAY   5
#define KJ_TYPE_FUNC    6  /* compiled function */
#define KJ_TYPE_CLASS   7  /* object or class */
#define KJ_TYPE_VECTOR  8  /* matrix with a pending index */
#define KJ_TYPE_NATIVE  9  /* "int.func": native (library) function */
#define KJ_TYPE_RANGE   10
#define KJ_TYPE_FILE    11
#define KJ_TYPE_ADDRESS 12
#define KJ_TYPE_LAMBDA  13
#define KJ_TYPE_BLOB    14
#define KJ_TYPE_MASK    0xFFu

/* =====================================================================
 * Flag bits (above the type code)
 * ===================================================================== */
#define KJ_FLAG_NULL      0x100u      /* no value */
#define KJ_FLAG_OWNS      0x200u      /* owns its payload */
#define KJ_FLAG_CONST     0x400u      /* read-only */
#define KJ_FLAG_EXTERN    0x1000u     /* declared function without a body */
#define KJ_FLAG_GLOBAL    0x2000u
#define KJ_FLAG_INLINE    0x8000u
#define KJ_FLAG_BOUND     0x10000u    /* function bound to an object */
#define KJ_FLAG_STATIC    0x20000u    /* static member */
#define KJ_FLAG_SHARED    0x100000u   /* array with a shared element block */
#define KJ_FLAG_ADDRESS   0x200000u   /* array that is a reference */
#define KJ_FLAG_ARG       0x400000u
#define KJ_FLAG_VARARGS   0x800000u   /* variable arguments / spread mark */
#define KJ_FLAG_IDXVALUE  0x2000000u  /* vector indexed by a matrix of indices */
#define KJ_FLAG_IDXRANGE  0x4000000u  /* vector indexed by a range */

/* =====================================================================
 * The value record: five 64-bit words
 * ===================================================================== */
typedef struct KjValue KjValue;
typedef struct KjNamedValue KjNamedValue;
typedef struct KjFuncInfo KjFuncInfo;

typedef void (*KjNativeFunction)(KjValue *result, KjValue *args, int count);

struct KjValue {
    uint32_t type;      /* type code | flags */
    uint32_t reserved;
    union {
        int64_t  w[4];
        int32_t  ival;                                             /* int */
        double   dval;                                             /* double */
        struct { int32_t r, c; double **m;                         /* matrix, vector */
                 union { int32_t i[2]; KjValue *v; } idx; } mat;
        struct { int32_t len, pad; char *s; } str;                 /* string */
        struct { int32_t n, pad; KjValue *v; } arr;                /* array */
        struct { int32_t nparam; uint32_t entry;                   /* compiled function */
                 int64_t *context; KjFuncInfo *info; } fn;
        struct { int32_t n, base, cls, pad; KjNamedValue *members; } obj;  /* class */
        struct { int32_t nparam, pad; KjNativeFunction fn; KjFuncInfo *info; } nat;
        struct { int32_t first, last; } rng;                       /* range */
        struct { void *stream; uint32_t mode; int32_t pad;         /* file */
                 int32_t *dims; void *archive; } file;
        struct { int32_t nparam, entry; uint32_t slot;             /* lambda */
                 int32_t argbase, framebase, pad; } lam;
        struct { uint32_t a, b; void *p; } blob;                   /* blob */
    } u;
};

/* A name followed by a value: global symbols, class members, parameters. */
struct KjNamedValue {
    char   *name;
    KjValue val;
};

/* Shared by compiled and native functions. */
struct KjFuncInfo {
    char         *descriptor;  /* one 'c' or ' ' per parameter, '$', name */
    int32_t       file;        /* literal index of the source file name */
    int32_t       pad;
    KjNamedValue *params;      /* parameter records, defaults as values */
};

#define KJ_RANGE_OPEN (-256)

/* =====================================================================
 * Callback types
 * ===================================================================== */
typedef void (*KjMessageFn)(const char *text);
typedef void (*KjGetsFn)(char *buffer, int size);
typedef void (*KjExitFn)(int code);
typedef int  (*KjWindowFn)(const char *action, const char *argument);
typedef int  (*KjDrawFn)(const char *command, int area,
                         const double *x1, int n1, const char *label1,
                         const double *x2, int n2, const char *label2,
                         const double *x3, int n3, const char *label3,
                         int i1, int i2, const int *iv, int niv,
                         const double *dv, int ndv);

/* =====================================================================
 * Driver and life cycle
 * ===================================================================== */
KJ_API int  KjMain(int argc, char **argv);
KJ_API int  KjMainCmd(const char *cmdline);
KJ_API int  KjMain_T(int argc, wchar_t **argv);
KJ_API int  KjMainInit(void);
KJ_API void KjMainExit(void);
/* Completion at the prompt of the debugger and of the interactive mode: the
   visible variables, the program's globals and functions, and the built-in
   functions whose names begin with prefix, each once, in that order; for a
   prefix "name.start", the data members and member functions beginning with
   start of the object (or class) name, as "name.member". state 0 starts a
   search; each call returns the next name (held by the library until the next
   call) or null after the last. */
KJ_API const char *SKjCompletionName(const char *prefix, int state);
/* The reference of the built-in functions, read from the help folder beside
   the library (share/kj80x/help/ in the build tree, ../share/kj80x/help/
   once installed). SKjHelp: the entry of a function ("invert", "gauss::inv")
   as plain text, as #help prints it, or null when it has none; the text stays
   valid while the library is loaded. SKjApropos: the names whose entry
   mentions word, ignoring case (every name for ""), in name order; state 0
   starts a search, each call returns the next name (held until the next
   call) or null after the last. Neither needs KjMainInit. */
KJ_API const char *SKjHelp(const char *name);
KJ_API const char *SKjApropos(const char *word, int state);

/* =====================================================================
 * Sessions driven by a host
 *
 * A host that receives statements a piece of text at a time (a notebook, an
 * editor's command window) runs them as the interactive prompt would, without
 * the prompt's input loop: KjMainInit, the callbacks, KjSessionStart, any
 * number of KjSessionRun, KjSessionEnd, KjMainExit. Variables, functions and
 * imports stay from one text to the next until KjSessionEnd or "#new".
 * ===================================================================== */
/* Starts an empty interactive program (ending a session still open). 1 on
 * success, 0 when it could not be set up (a message says why). */
KJ_API int  KjSessionStart(void);
/* Runs text as if its lines were typed at the prompt: a statement left open
 * continues on the next lines, and the prompt's commands (#include, #new,
 * ?name, !command, ...) take one line each. The first compile, link or
 * run-time error ends the text. With value non-null, a final expression
 * without ';' is not printed: *value receives its printed form (held by the
 * library until the next call), or null when the text does not end in one.
 * 1 when all of the text ran, 0 after an error, -1 without a session.
 * KjRunAbort (from another thread or a signal handler) stops a running text
 * as a run-time error. */
KJ_API int  KjSessionRun(const char *text, const char **value);
KJ_API void KjSessionEnd(void);
/* The declaration of the function or class called name: "f(x, const y)" for
 * a compiled function ("..." for variable arguments), "sqrt(const a1)  (built-in)"
 * for a library function, "class C" for a class; null when there is none.
 * Held by the library until the next call. */
KJ_API const char *SKjDeclaration(const char *name);
/* The current graph rendered in memory as format "svg", "png" (150 dpi),
 * "pdf", "eps" or "gwg": its bytes, held by the library until the next call,
 * and their count in *size. Null (and *size 0) without a graph or for another
 * format. */
KJ_API const char *SKjGraphImage(const char *format, int *size);
/* Marks the current graph as shown, as a window would: the next drawing
 * request starts a new graph, while SaveDrawWindow still saves this one. */
KJ_API void KjGraphShown(void);

/* =====================================================================
 * Checking sources for editors
 *
 * KjCheckSource compiles a source text as the program's main unit, with its
 * includes, without linking or running it (the program compiled before is
 * dropped), and tells the host each message and each declaration with its
 * place. Afterwards SKjDeclaration and SKjCompletionName see what it
 * declared. Lines count from 1; columns count bytes of the line from 0, and
 * a length of 0 with column -1 means that only the line is known (line 0:
 * not even that). Messages also reach the message callback as usual.
 * ===================================================================== */
#define KJ_CHECK_ERROR   1
#define KJ_CHECK_WARNING 2
#define KJ_DECL_FUNCTION        1  /* a global function; "ns::f" in a namespace */
#define KJ_DECL_CLASS           2
#define KJ_DECL_VARIABLE        3  /* a global variable */
#define KJ_DECL_CONSTANT        4  /* const decl, enum */
#define KJ_DECL_DATA_MEMBER     5  /* "Class::member" */
#define KJ_DECL_MEMBER_FUNCTION 6  /* "Class::function", declared in the class or defined */
/* text: the message as printed, without the file and line in front. */
typedef void (*KjCheckMessageFn)(void *data, const char *file, int line, int column, int length,
                                 int kind, const char *text);
/* defined: 1 for a function or member function with its body, 0 for a
 * declaration only; 1 for every other kind. */
typedef void (*KjCheckDeclarationFn)(void *data, const char *name, int kind, int defined,
                                     const char *file, int line, int column, int length);
/* name: the source's path (quoted includes are looked for in its folder;
 * ".g", ".src" and ".kjgauss" compile GAUSS, as gauss = 1 does); text: its
 * contents. Either callback may be null. Returns the number of errors, or
 * -1 before KjMainInit, without name or text, or while a session started by
 * KjSessionStart is open (its program would be lost). */
KJ_API int KjCheckSource(const char *name, const char *text, int gauss, KjCheckMessageFn message,
                         KjCheckDeclarationFn declaration, void *data);

/* =====================================================================
 * Host callbacks, pipes and text channels
 * ===================================================================== */
KJ_API void SetKjMessage(KjMessageFn fn);
/* Run messages that begin "Progress: " tell, at verbose level 1 and above,
 * how far loading or saving a large file (100 MB or more) has come:
 * "Progress: Loading data/big.csv 40%", from 0% to 100% (no 100% when it
 * failed). A host shows them as it likes. */
KJ_API void SetKjRunMessage(KjMessageFn fn);
KJ_API void SetKjPuts(KjMessageFn fn);
KJ_API void SetKjGets(KjGetsFn fn);
KJ_API void SetKjExit(KjExitFn fn);
KJ_API void SetKjTextWindow(KjWindowFn fn);
KJ_API void SetKjDrawWindow(KjWindowFn fn);
KJ_API void SetKjDataWindow(void *fn);
KJ_API void SetKjDraw(KjDrawFn fn);
/* The runtime's own draw and draw-window callbacks (installed by KjMainInit
 * unless a host set its own first), for hosts that handle some requests
 * themselves and pass the others on. */
KJ_API int  KjDefaultDraw(const char *command, int area,
                          const double *x1, int n1, const char *label1,
                          const double *x2, int n2, const char *label2,
                          const double *x3, int n3, const char *label3,
                          int i1, int i2, const int *iv, int niv,
                          const double *dv, int ndv);
KJ_API int  KjDefaultDrawWindow(const char *action, const char *argument);
/* The layout settings of graphs (margins, fonts, axes, legends, line tables,
 * colours, palette): a copy a host can keep, hand back, list and free. A copy
 * is null when memory runs out. KjDrawSettingsList prints the settings as
 * setdraw calls through the run-message channel: the layout block when layout
 * is 1, the line tables by lines (0 none, 1 colour lines with colours and
 * symbols, 2 black-and-white lines, 3 both), the palette when palette is 1;
 * a record lists that copy (the current settings stay as they were), null
 * the current settings. */
typedef struct KjDrawSettings KjDrawSettings;
KJ_API KjDrawSettings *KjDrawSettingsCopy(void);
KJ_API void KjDrawSettingsRestore(const KjDrawSettings *record);
KJ_API void KjDrawSettingsFree(KjDrawSettings *record);
KJ_API void KjDrawSettingsList(int layout, int lines, int palette, const KjDrawSettings *record);
KJ_API void SetKjPipe(int size);

KJ_API void KjMessage(const char *text);
KJ_API void KjRunMessage(const char *text);
KJ_API void KjPuts(const char *text);

KJ_API void KjSetPrintlevel(int level);
KJ_API int  KjGetPrintlevel(void);
KJ_API void KjSetUserExitCode(int code);
KJ_API int  KjGetUserExitCode(void);

KJ_API void KjSetMainArgs(int argc, char **argv);
KJ_API void KjGetMainArgs(int *argc, char ***argv);
KJ_API void KjSetKjArgs(int argc, char **argv);
KJ_API void KjGetKjArgs(int *argc, char ***argv);

/* =====================================================================
 * Run control
 * ===================================================================== */
KJ_API int  IKjRunInit(void);
KJ_API int  FKjRun(int start, const char *name);
KJ_API void KjRunMainExitCall(void (*fn)(void));
KJ_API void KjRunAbort(void);
/* Threads that parallel loops run on, the calling one included: n > 0 sets
 * the count, 0 goes back to one per core, n < 0 only asks. Returns the count
 * in use. Not while a program runs. */
KJ_API int  KjSetParallelThreads(int n);
KJ_API void KjRunExit(void);
KJ_API void KjRunError(int code, const char *text);
KJ_API void KjRunErrorMessage(const char *text);
KJ_API void KjRunWarning(const char *name, int kind);
KJ_API void KjRunWarningMessage(const char *name, const char *text);

/* =====================================================================
 * Values: ownership, stores, setters, sizes, names
 * ===================================================================== */
KJ_API void     KjFreeByValue(KjValue *v);
KJ_API void     KjMakeByValue(KjValue *v);
KJ_API KjValue *KjValDuplicate(KjValue *dst, const KjValue *src);
KJ_API void     KjValDuplicate2(KjValue *dst, const KjValue *src);
KJ_API void     KjValTransfer(KjValue *dst, KjValue *src);
KJ_API KjValue *KjStoreCreate(int n);
KJ_API void     KjStoreDelete(KjValue *values, int n);

KJ_API void KjValSetInt(KjValue *v, int i);
KJ_API void KjValSetDouble(KjValue *v, double d);
KJ_API void KjValSetZero(KjValue *v);
KJ_API void KjValSetNull(KjValue *v);
KJ_API void KjValSetString(KjValue *v, const char *s);
KJ_API void KjValSetMat(KjValue *v, double **m, int r, int c);
KJ_API void KjValSetMatZero(KjValue *v, int r, int c);
KJ_API void KjValSetVecc(KjValue *v, const double *x, int r, int c);
KJ_API void KjValSetVecr(KjValue *v, const double *x, int r, int c);
KJ_API void KjValSetArray(KjValue *v, int n);
KJ_API void KjValSetBlob(KjValue *v, unsigned a, unsigned b, void *p);

KJ_API int KjValType(const KjValue *v);
KJ_API int KjValHasType(const KjValue *v, int type);
KJ_API int KjValHasFlag(const KjValue *v, unsigned flags);
KJ_API int KjValSizer(const KjValue *v);
KJ_API int KjValSizec(const KjValue *v);
KJ_API int KjValSizerc(const KjValue *v);
KJ_API int KjValRows(const KjValue *v);
KJ_API int KjValColumns(const KjValue *v);
KJ_API const char *SKjGetTypeName(unsigned type);

/* =====================================================================
 * Matrix and vector blocks
 * ===================================================================== */
KJ_API double **MatAllocBlock(int r, int c);
KJ_API void     MatFreeBlock(double **m);
KJ_API int    **IntMatAllocBlock(int r, int c);
KJ_API void     IntMatFreeBlock(int **m);
KJ_API double **MatDup(double **src, int r, int c);
KJ_API double **MatCopy(double **dst, double **src, int r, int c);
KJ_API double **MatCpy(double **dst, double **src, int r, int c);
KJ_API double **MatCopyVecc(double **dst, const double *vec, int r, int c);
KJ_API double **MatCopyVecr(double **dst, const double *vec, int r, int c);
KJ_API double  *VeccCopyMat(double *vec, double **src, int r, int c);
KJ_API double  *VecrCopyMat(double *vec, double **src, int r, int c);
KJ_API double   MatGetAt(double **m, int i, int j);
KJ_API void     MatSetAt(double **m, double x, int i, int j);
KJ_API double **MatZero(double **m, int r, int c);
KJ_API double **MatI(double **m, int n);
KJ_API double **MatNaN(double **m, int r, int c);
KJ_API double  *VecAllocBlock(int n);
KJ_API void     VecFreeBlock(double *v);
KJ_API double  *VecCopy(double *dst, const double *src, int n);
KJ_API double  *VecDupBlock(const double *src, int n);
KJ_API void     SetNaN(double *x);
KJ_API void     SetInf(double *x);
KJ_API int      FIsNaN(double x);
KJ_API int      FIsInf(double x);
KJ_API int      FIsInfOrNaN(double x);
KJ_API int      IsDbMissing(double x);

/* =====================================================================
 * Dense linear algebra
 *
 * Blocks are row-pointer matrices (MatAllocBlock); routines work in place
 * and return small integer codes, never aborting. Singularity tests use the
 * inversion epsilon (default 2.220446049250313e-13). A pivot vector holds at
 * entry k the row exchanged with row k at step k. Log-determinant sign codes:
 * +1/-1, +2/-2 when the smallest pivot is at most eps x |A|inf (unreliable),
 * 0 for an exactly zero pivot or a singular decomposition.
 * ===================================================================== */
KJ_API void   SetInvertEps(double eps);           /* a negative eps is ignored */
KJ_API double DGetInvertEps(void);
KJ_API double DGetInvertEpsNorm(double **a, int n);

/* LU with partial pivoting: 0, -1 out of memory, k+1 singular pivot at step k. */
KJ_API int  ILUPdec(double **a, int n, int *pivots, double *logdet, int *sign, double **work);
KJ_API int  ILUPlogdet(double **a, int n, int *pivots, double *logdet, int *sign, double **work);
KJ_API void LUPsolve(double **l, double **u, const int *pivots, double *b, int n);
KJ_API void LUPsolveInv(double **lu, double **result, const int *pivots, int n);
KJ_API int  IInvert(double **a, int n);                                /* 0 success */
KJ_API int  IInvDet(double **a, int n, double *logdet, int *sign);
KJ_API int  FPPtDec(double **a, int n);                                /* 1 success: A = L L' */
KJ_API int  ILDLdec(double **a, double *dinv, int n);                  /* 0, 1 small pivot, 3 null */
KJ_API void LDLsolve(double **l, const double *dinv, double *b, int n);
KJ_API void LDLsolveInv(double **l, const double *dinv, double **result, int n);
KJ_API int  ISymInv(double **a, int n);
KJ_API int  ISymInvDet(double **a, int n, double *logdet);
KJ_API int  ILDLbandDec(double **band, double *dinv, int n, int p);
KJ_API void LDLbandSolve(double **l, const double *dinv, double *b, int n, int p);

/* Symmetric eigenproblem: 0, 1 no convergence, 2 bad argument or no memory;
 * eigenvalues decreasing, eigenvectors replace the rows of A. */
KJ_API int IEigValSym(double **a, int n, double *eval);
KJ_API int IEigVecSym(double **a, int n, double *eval);
KJ_API int IEigenSym(double **a, int n, double *eval, int vectors);
KJ_API int IGenEigVecSym(double **a, double **b, int n, double *eval);
/* General eigenproblem: re + i im; vectors (n x n or null) in columns. */
KJ_API int IEigen(double **a, int n, double *re, double *im, double **vectors);
/* The same problem by the default method directly (not through KjKnlEigen),
 * codes as IEigen; a complex pair is adjacent, positive imaginary part first.
 * IEigValReal leaves A as it is; IEigVecReal replaces the rows of A by unit
 * eigenvectors in the order of the eigenvalues, a complex pair k, k+1 as the
 * real part (row k) and imaginary part (row k+1) of the first vector.
 * EigVecDiv scales each vector row (or complex pair of rows) so that its
 * element of largest modulus is exactly 1. */
KJ_API int  IEigValReal(double **a, int n, double *re, double *im);
KJ_API int  IEigVecReal(double **a, int n, double *re, double *im);
KJ_API void EigVecDiv(double **v, int n, const double *im);
/* Roots of coef[0] x^n + ... + coef[n] (leading zeros dropped, lowering the
 * degree) as companion-matrix eigenvalues into re, im (room for n): the
 * number of roots, -1 no convergence, -2 bad argument or no memory. */
KJ_API int  IEigValPoly(const double *coef, int n, double *re, double *im);

/* Householder QR of the transposed storage xt (c x r): see KjKnlDecqrFn. */
KJ_API int  IDecQRt(double **xt, int c, int r, double *rdiag, int *pivots);
/* The default method directly; pivoting (pivots not null) starts after the
 * first `fixed` columns, which keep their order: 0, or 2 bad argument. */
KJ_API int  IDecQRtEx(double **xt, int c, int r, double *rdiag, int *pivots, int fixed);
/* Pivoted (pivots required), then the rank: the number of leading |rdiag|
 * above tol |rdiag[0]| (tol <= 0: the inversion eps); -1 on failure. */
KJ_API int  IDecQRtRank(double **xt, int c, int r, double *rdiag, int *pivots, double tol);
KJ_API void DecQRtMul(double **xt, int k, int r, double *y);   /* y := Q' y */
KJ_API void DecQRtMult(double **xt, int k, int r, double *y);  /* y := Q y */
/* Least squares with observations in columns (xt k x T, yt n x T, b n x k):
 * k, -rank when reduced, 0 on failure. */
KJ_API int IOlsQR(double **xt, int k, int t, double **yt, int n, double **b, double **xtxinv, double **xtx);
/* Least squares from a factored xt (IDecQRt, IDecQRtEx, IDecQRtRank; pivots
 * or null): coefficients of the first `rank` pivoted columns, 0 for the rest;
 * xtxinv (k x k or null) the inverse of X'X on those columns. */
KJ_API void OlsQRacc(double **qr, const double *rdiag, const int *pivots, int k, int t, int rank, double **yt,
                     int n, double **b, double **xtxinv);
KJ_API int IOlsNorm(double **xt, int k, int t, double **yt, int n, double **b, double **xtxinv, double **xtx);

/* Singular values (r >= c): w decreasing, U r x c, V c x c (either null). */
KJ_API int IDecSVD(double **a, int r, int c, double *w, double **u, double **v);
KJ_API int ISVDdec(double **a, int r, int c, double *w, double **u, double **v);
KJ_API int IMatRank(double **a, int r, int c, double tol, int absolute);
/* Null-space basis into out (max(r,c) rows, room for max(r,c) columns). */
KJ_API int INullSpace(double **a, int r, int c, double **out);
KJ_API int MatGenInvert(double **a, int r, int c, double **result, double *w);  /* result c x r */
KJ_API int MatGenInvertSym(double **a, int n, double **result);

/* Products (Y must not be an operand), all through KjKnlMatmul. */
KJ_API double **MatAB(double **a, int r, int c, double **b, int c2, double **y);
KJ_API double **MatABt(double **a, int r, int c, double **b, int r2, double **y);
KJ_API double **MatAtB(double **a, int r, int c, double **b, int c2, double **y);
KJ_API double **MatBBt(double **b, int r, int c, double **y);
KJ_API double **MatBtB(double **b, int r, int c, double **y);
KJ_API double   DTrace(double **a, int n);
KJ_API double   DTraceAB(double **a, double **b, int r, int c);
KJ_API double   DVecsum(const double *v, int n);
KJ_API void     MatTranspose(double **a, int n);

/* Kernel slots. A replacement keeps the contract of the default:
 * Choleski 0 with L below the diagonal and zeros above; Invertsym 0 with both
 * triangles of the inverse; Invert 0 or 1; Eigensym 0/1/2 with eigenvalues
 * decreasing and eigenvectors as rows; Decqr 0 (see IDecQRt); Decsvd 0 (see
 * IDecSVD; sort != 0 orders the values); Matmul y = op(a) op(b). */
typedef int  (*KjKnlCholeskiFn)(double **a, int n);
typedef int  (*KjKnlInvertsymFn)(double **a, int n, double *logdet);
typedef int  (*KjKnlInvertFn)(double **a, int n, double *logdet, int *sign);
typedef int  (*KjKnlEigensymFn)(double **a, int n, double *eval, int vectors);
typedef int  (*KjKnlEigenFn)(double **a, int n, double *re, double *im, double **vectors);
typedef int  (*KjKnlDecqrFn)(double **xt, int c, int r, double *rdiag, int *pivots);
typedef int  (*KjKnlDecsvdFn)(double **a, int r, int c, double *w, double **u, double **v, int sort);
typedef int  (*KjKnlFFT1dFn)(double **result, double **input, int n, int direction, int complex_input);
typedef void (*KjKnlMatmulFn)(double **y, double **a, int ra, int ca, double **b, int rb, int cb,
                              int transpose_a, int transpose_b);
/* Installs fn in the slot named by its export ("KjKnlInvert", ...); null
 * restores the default. 0 for an unknown name. */
KJ_API int   FKjSetKernel(const char *name, void *fn);
KJ_API void *KjGetKernel(const char *name);
/* A kernel library, named NAME on the command line as -kNAME, is the file
 * "kjkernel" NAME "_64.so". It exports any of the slots above under their
 * names and, optionally, KjKnlInfo: called once after loading with 0 and the
 * report level (2 under -v, else 1); it may print through KjMessage. */
typedef void (*KjKnlInfoFn)(int what, int level);
/* Marks the exports of a package or kernel library (C or C++). */
#ifdef __cplusplus
#define KJ_EXPORT extern "C" __attribute__((visibility("default")))
#else
#define KJ_EXPORT __attribute__((visibility("default")))
#endif

/* =====================================================================
 * Native functions
 *
 * A native function receives the result record (preset to int 0), the
 * argument records and the number of arguments passed. It reads the arguments
 * through the KjVal* accessors, reports bad ones through the KjLib* checks
 * and leaves an owning result. Argument positions passed to the checks are
 * 0-based indices into args; messages print them 1-based. The checks and the
 * allocation functions raise run-time errors, which do not return.
 * ===================================================================== */
#if defined(__GNUC__)
#define KJ_NORETURN __attribute__((noreturn))
#else
#define KJ_NORETURN
#endif

#define KJ_FLAG_SERIAL  0x80000u  /* never called from a parallel loop body */
#define KJ_FLAG_WORKERS 0x40000u  /* registration only: may run on the worker threads of a parallel loop */

/* Registration. A descriptor holds one 'c' (const) or ' ' per declared
 * parameter, then '$', then the name ("cc$atan2"). 1 on success, 0 after a
 * link error. A later registration of the same name replaces the entry.
 * A function registered here runs on the host's thread only: a parallel
 * loop body that calls it fails with "'name' is serial: ...". A host whose
 * function keeps no state and makes no callback passes KJ_FLAG_WORKERS to
 * FKjLibAddFunctionEx to let worker threads call it. */
KJ_API int FKjLibAddFunction(const char *descriptor, KjNativeFunction fn, int varargs);
KJ_API int FKjLibAddFunctionEx(const char *name, KjNativeFunction fn, int count, unsigned flags);

/* Accessors; a null value pointer gives 0 or null. GetInt, GetDouble and
 * GetMat (with Matr, Matc, Matrc, Vecc, Vecr) convert the record in place. */
KJ_API int         KjValGetInt(KjValue *v, int *out);
KJ_API int         KjValGetDouble(KjValue *v, double *out);
KJ_API double    **KjValGetMat(KjValue *v);
KJ_API int         KjValGetMatr(KjValue *v);
KJ_API int         KjValGetMatc(KjValue *v);
KJ_API int         KjValGetMatrc(KjValue *v);
KJ_API int         KjValGetVecc(KjValue *v, double *out);
KJ_API int         KjValGetVecr(KjValue *v, double *out);
KJ_API const char *KjValGetString(const KjValue *v);  /* "" for an empty string */
KJ_API int         KjValGetStringLen(const KjValue *v);
KJ_API int         KjValGetStringCopy(const KjValue *v, char *buf, int size);
KJ_API KjValue    *KjValGetArray(const KjValue *v);
KJ_API int         KjValGetArrayLen(const KjValue *v);
KJ_API KjValue    *KjValGetArrayVal(const KjValue *v, int i);
KJ_API KjValue    *KjValGetVal(KjValue *v, int i);
KJ_API void       *KjValGetBlob(const KjValue *v, unsigned *a, unsigned *b);
KJ_API const char *KjValGetClassName(const KjValue *v);
KJ_API KjValue    *KjValGetStaticObject(const KjValue *v);

/* Allocation: each releases v's payload first and returns the new storage. */
KJ_API double **KjLibValMatMalloc(KjValue *v, int r, int c);
KJ_API double **KjLibValMatDup(KjValue *v, double **m, int r, int c);
KJ_API char    *KjLibValStrMalloc(KjValue *v, int len);
KJ_API KjValue *KjLibValArrayCalloc(KjValue *v, int n);

/* Argument checks over args[first..last]. */
KJ_API void KjLibCheckType(int type, KjValue *args, int first, int last);
KJ_API void KjLibCheckMatrixSize(KjValue *args, int first, int last, int r, int c);
KJ_API void KjLibCheckSquareMatrix(KjValue *args, int first, int last);
KJ_API void KjLibCheckArrayMatrix(KjValue *args, int first, int last, double **m);
KJ_API KJ_NORETURN void KjLibArgTypeError(int arg, int expected, const KjValue *found);
KJ_API KJ_NORETURN void KjLibArgError(int arg);

/* Element-wise application of a scalar function to args[0..n-1]. */
KJ_API void KjFnDouble(KjValue *result, KjValue *args, double (*f)(double));
KJ_API void KjFnDouble2(KjValue *result, KjValue *args, double (*f)(double, double));
KJ_API void KjFnDouble3(KjValue *result, KjValue *args, double (*f)(double, double, double));
KJ_API void KjFnDouble4(KjValue *result, KjValue *args, double (*f)(double, double, double, double));
KJ_API void KjFnDoubleInt(KjValue *result, KjValue *args, double (*f)(double, int));

/* Probability distributions: density (DDens), P(X <= x) (DProb), P(X > x)
 * computed directly (DTailProb) and quantile (DQuan). Invalid parameters give
 * NaN; quantiles of p <= 0 and p >= 1 give the ends of the support. */
KJ_API double DDensNormal(double x);
KJ_API double DProbNormal(double x);
KJ_API double DTailProbNormal(double x);
KJ_API double DQuanNormal(double p);
KJ_API double DErf(double x);
KJ_API double DDensT(double x, int df);
KJ_API double DProbT(double t, int df);
KJ_API double DTailProbT(double t, int df);
KJ_API double DQuanT(double p, int df);
KJ_API double DQuanTD(double p, double df);
KJ_API double DProbTNc(double t, double df, double nc);
KJ_API double DDensChi(double x, double df);
KJ_API double DProbChi(double x, double df);
KJ_API double DTailProbChi(double x, double df);
KJ_API double DQuanChi(double p, double df);
KJ_API double DProbChiNc(double x, double df, double nc);
KJ_API double DDensF(double x, double df1, double df2);
KJ_API double DProbF(double x, double df1, double df2);
KJ_API double DTailProbF(double x, double df1, double df2);
KJ_API double DQuanF(double p, double df1, double df2);
KJ_API double DProbFNc(double x, double df1, double df2, double nc);
KJ_API double DDensGamma(double x, double r, double a);
KJ_API double DProbGamma(double x, double r, double a);
KJ_API double DQuanGamma(double p, double r, double a);
KJ_API double DDensBeta(double x, double a, double b);
KJ_API double DProbBeta(double x, double a, double b);
KJ_API double DQuanBeta(double p, double a, double b);
KJ_API double DDensPoisson(double x, double mu);
KJ_API double DProbPoisson(double x, double mu);
KJ_API double DDensMises(double x, double mu, double kappa);
KJ_API double DProbMises(double x, double mu, double kappa);
KJ_API double DQuanMises(double p, double mu, double kappa);
KJ_API double DDensGH(double x, double nu, double delta, double gamma, double beta);
KJ_API double DDensGIG(double x, double nu, double delta, double gamma);
KJ_API double DProbBVN(double x, double y, double rho);
/* P(X <= x) for X ~ N(0, sigma): x holds k values, sigma k x k row pointers. */
KJ_API double DProbMVN(const double *x, double **sigma, int k);

/* Calls back into the language and object access. */
KJ_API int  FKjCallBack(KjValue *fn, KjValue *result, KjValue *args, int count);
KJ_API int  FKjCallBackMember(KjValue *object, const char *name, KjValue *result, KjValue *args,
                              int count);
KJ_API int  FKjCreateObject(const char *classname, KjValue *object, KjValue *args, int count);
KJ_API int  FKjGetDataMember(KjValue *object, const char *name, KjValue *out);
KJ_API int  FKjSetDataMember(KjValue *object, const char *name, KjValue *in);
KJ_API void KjCloneObject(KjValue *dst, KjValue *src, int deep);
KJ_API void KjDeleteObject(KjValue *object);

/* =====================================================================
 * Random numbers
 *
 * One generator state record holds five uniform generators side by side and
 * the slots of the active one. Every routine below works on the record the
 * installed locker hands out (the global record without a locker).
 * ===================================================================== */
typedef struct KjRanState KjRanState;
typedef uint32_t (*KjRanIntFn)(KjRanState *s);
typedef double   (*KjRanDoubleFn)(KjRanState *s);
typedef void     (*KjRanFillFn)(KjRanState *s, double *x, size_t n);
typedef void     (*KjRanSetSeedFn)(KjRanState *s, const int *seed, int n);
typedef int      (*KjRanGetSeedFn)(KjRanState *s, int *seed, int n);
typedef void     (*KjRanDeriveFn)(KjRanState *s, const KjRanState *master, int i);
/* Called with 1 before a routine uses a record (null: the global one) and with 0 after. */
typedef KjRanState *(*KjRanLockerFn)(int lock);

struct KjRanState {
    uint32_t lcg31_x;           /* "PM" */
    uint32_t mwc60_z, mwc60_w;  /* "GM" */
    uint32_t lfsr113_z[4];      /* "LE" */
    uint32_t mwc_i, mwc_c;      /* "MWC_32" and "MWC_52" share the lag table */
    uint32_t mwc_q[256];
    double   zig_x[129];        /* ziggurat abscissae */
    double   zig_r[128];        /* zig_x[k + 1] / zig_x[k] */
    int32_t  spare_flag;        /* 1 while a second polar normal is held */
    KjRanIntFn     int_draw;    /* slots of the active generator */
    KjRanDoubleFn  uniform;
    KjRanDoubleFn  normal;
    KjRanFillFn    fill_uniform;
    KjRanFillFn    fill_normal;
    KjRanSetSeedFn set_seed;
    KjRanGetSeedFn get_seed;
    KjRanDeriveFn  derive;
    double   spare;             /* the kept second polar normal */
};

KJ_API double   DRanU(void);
KJ_API uint32_t IRanU(void);
KJ_API double   DRanNormal(void);
KJ_API double   DRanNormalPM(void);
KJ_API double **MatRan(double **m, int r, int c);
KJ_API double **MatRann(double **m, int r, int c);
KJ_API void     RanSetSeed(const int *seed, int n);
KJ_API int      RanGetSeed(int *seed, int n);
KJ_API void     RanSetRan(const char *name);
KJ_API void     RanNewRNG(KjRanIntFn int_draw, KjRanSetSeedFn set_seed, KjRanGetSeedFn get_seed,
                          KjRanDeriveFn derive);
KJ_API void     RanInit(KjRanState *s);
KJ_API void     SetRanLocker(KjRanLockerFn fn);

/* Draws of the common distributions; invalid parameters give NaN (0 for the
 * integer draws). */
KJ_API double DRanExp(double lambda);
KJ_API double DRanGamma(double r, double a);
KJ_API double DRanBeta(double a, double b);
KJ_API double DRanChi(double nu);
KJ_API double DRanF(double nu1, double nu2);
KJ_API double DRanT(double nu);
KJ_API double DRanStudentT(double nu);
KJ_API double DRanLogNormal(void);
KJ_API double DRanLogistic(void);
KJ_API double DRanStable(double alpha, double beta);
KJ_API double DRanMises(double kappa);
KJ_API double DRanInvGaussian(double mu, double lambda);
KJ_API double DRanGIG(double nu, double delta, double gamma);
KJ_API int    IRanPoisson(double mu);
KJ_API int    IRanBinomial(int n, double p);
KJ_API int    IRanNegBin(int n, double p);
KJ_API int    IRanLogarithmic(double p);
/* k distinct indices from 0..n-1 in increasing order into out[0..k-1]. */
KJ_API int   *RanSubSample(int *out, int k, int n);
/* One Dirichlet draw: out[0..k-1] from alpha[0..k-1]. */
KJ_API double *RanDirichlet(double *out, const double *alpha, int k);
/* A p x p Wishart(n, P P') draw from the lower Choleski factor P. */
KJ_API double **RanWishart(double **out, double n, double **factor, int p);
/* The n order statistics of n uniforms, increasing. */
KJ_API double *RanUorder(double *out, int n);

/* Time series and Fourier transforms. A series is T doubles, NaN missing;
   complex data are two rows (real parts, imaginary parts). Direction flag 1:
   forward transform X_k = sum_t z_t exp(-2 pi i kt/n); 0: inverse, divided by n. */
KJ_API int     IGetAcf(const double *x, int T, int lags, double *acf, int covariance);
KJ_API int     FGetAcf(const double *x, int T, int lags, double *acf);
KJ_API int     IGetAcfCross(const double *x, const double *y, int T, int lags, double *acf);
KJ_API int     IGetAcfRun(const double *x, int T, int lags, double *acf, int covariance);
KJ_API int     FGetAcfRun(const double *x, int T, int lags, double *acf);
KJ_API int     FGetPartAcf(const double *acf, int lags, double *pacf);
/* Toeplitz R[i][j] = acf[|i-j|] (T x T): pacf (or null), x (T x c, or null)
   replaced by R^-1 x, *logdet = log|R| (or null); 1, or 0 when R is not
   positive definite. */
KJ_API int     MatPartAcf(const double *acf, int T, double *pacf, double **x, int c, double *logdet);
KJ_API double **MatAcf(double **result, double **data, int T, int n, int lags);
KJ_API int     FPeriodogramAcf(double *acf, int T, int m, int points, double *result, int window);
KJ_API int     FPeriodogram(const double *x, int T, int m, int points, double *result, int mode);
KJ_API int     FftComplex(double *re, double *im, int p, int direction);
KJ_API int     FftReal(double *re, double *im, int p, int direction);
KJ_API int     FFT1d(double **result, double **input, int n, int direction, int complex_input);
KJ_API int     FftDiscrete(double **result, double **input, int n, int direction, int complex_input);
/* ARMA filters on T x n blocks in place; phi[0..p-1], theta[0..q-1]. */
KJ_API void    MatArma0(double **x, int T, int n, const double *phi, int p, const double *theta, int q);
KJ_API void    MatArmaGen(double **x, double **e, int T, int n, const double *phi, int p,
                          const double *theta, int q);
KJ_API void    MatArmaForc(double **f, int H, int n, const double *phi, int p, const double *theta, int q,
                           double **y, int ry, double **e, int re);
KJ_API int     FArmaVar(const double *phi, int p, const double *theta, int q, double s2, int T,
                        double *gamma);
KJ_API void    MatDiffPow(double **x, int T, int n, double d);

#ifdef __cplusplus
}
#endif

#endif /* KJ80X_H */
