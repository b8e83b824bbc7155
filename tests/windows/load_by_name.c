/*
 * load_by_name DLL VERSION
 *
 * Uses Tarnix.dll as a foreign caller does (a spreadsheet macro, another
 * language's FFI): without tarnix.h or the import library, LoadLibrary by
 * the DLL's name and GetProcAddress by the plain export names, with the
 * functions declared here as such a caller declares them (WINAPI, that is
 * __stdcall on 32-bit Windows). Checks a few results, the error texts and
 * that the about text, DisplayVerInfo and the DLL's version resource all
 * carry VERSION. Prints each failed check and exits 1 when there is one.
 */
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

typedef int32_t(WINAPI* EEval)(const char* expr, double* result, int32_t check);
typedef double(WINAPI* DeEval)(const char* expr, int32_t check);
typedef int32_t(WINAPI* EEvals)(const char* expr, double x1, const char* var, double x2, int32_t n,
                                double* xs, double* ys, double* info);
typedef int32_t(WINAPI* GetError)(void);
typedef const char*(WINAPI* GetErrDescr)(int32_t code);
typedef int32_t(WINAPI* SetVar)(const char* name, const char* value, int32_t kind);
typedef int32_t(WINAPI* VerInfo)(const char* path, char* file_version, char* product_version);
typedef const char*(WINAPI* About)(int32_t mode);

static int failures = 0;

static void check(int ok, const char* what) {
  if (!ok) {
    printf("FAILED: %s\n", what);
    ++failures;
  }
}

static FARPROC find_export(HMODULE dll, const char* name) {
  FARPROC f = GetProcAddress(dll, name);
  if (f == NULL) {
    printf("FAILED: GetProcAddress(\"%s\") found nothing\n", name);
    ++failures;
  }
  return f;
}

/* A string value of the DLL's version resource, or "". */
static void resource_string(const char* path, const char* name, char* out, size_t size) {
  static char data[8192];
  char query[128];
  void* value = NULL;
  UINT length = 0;
  DWORD ignored = 0;
  out[0] = '\0';
  DWORD bytes = GetFileVersionInfoSizeA(path, &ignored);
  if (bytes == 0 || bytes > sizeof data || !GetFileVersionInfoA(path, 0, bytes, data)) return;
  snprintf(query, sizeof query, "\\StringFileInfo\\040904B0\\%s", name);
  if (VerQueryValueA(data, query, &value, &length) && length > 0) {
    snprintf(out, size, "%s", (const char*)value);
  }
}

#if defined(__i386__)
/* Calls e_eval with the stack 4 bytes off the 16-byte alignment that GCC's
 * code keeps, as callers that keep 4-byte alignment only may enter. */
static int32_t e_eval_misaligned(EEval f, const char* expr, double* result) {
  int32_t status;
  __asm__ volatile(
      "mov %%esp, %%esi\n\t"
      "and $-16, %%esp\n\t"
      "sub $8, %%esp\n\t"
      "push $0\n\t"
      "push %[result]\n\t"
      "push %[expr]\n\t"
      "call *%[f]\n\t" /* __stdcall: the callee takes its 12 bytes off */
      "mov %%esi, %%esp\n\t"
      : "=a"(status)
      : [f] "r"(f), [expr] "r"(expr), [result] "r"(result)
      : "esi", "ecx", "edx", "memory", "cc", "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6",
        "xmm7");
  return status;
}
#endif

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: load_by_name DLL VERSION\n");
    return 2;
  }
  const char* version = argv[2];
  HMODULE dll = LoadLibraryA(argv[1]);
  if (dll == NULL) {
    printf("FAILED: LoadLibrary(\"%s\"): error %lu\n", argv[1], (unsigned long)GetLastError());
    return 1;
  }
  /* Casts between function pointer types: what GetProcAddress hands back
   * is typed by what the caller declares. */
  EEval e_eval = (EEval)(void (*)(void))find_export(dll, "e_eval");
  DeEval de_eval = (DeEval)(void (*)(void))find_export(dll, "de_eval");
  EEvals e_evals = (EEvals)(void (*)(void))find_export(dll, "e_evals");
  GetError GetE_Error = (GetError)(void (*)(void))find_export(dll, "GetE_Error");
  GetErrDescr GetE_ErrDescr = (GetErrDescr)(void (*)(void))find_export(dll, "GetE_ErrDescr");
  SetVar SetVarFunct = (SetVar)(void (*)(void))find_export(dll, "SetVarFunct");
  VerInfo DisplayVerInfo = (VerInfo)(void (*)(void))find_export(dll, "DisplayVerInfo");
  About aAbout = (About)(void (*)(void))find_export(dll, "aAbout");
  check(GetProcAddress(dll, "_e_eval@12") == NULL && GetProcAddress(dll, "e_eval@12") == NULL,
        "no decorated names are exported");
  if (failures != 0) return 1;

  double value = 0;
  check(e_eval("2^3^2", &value, 0) == 0 && value == 64, "e_eval(\"2^3^2\") gives 64");
  check(GetE_Error() == -1, "the error number after a success is -1");
  SetVarFunct("x", "3", 0);
  SetVarFunct("f", "x^2+1", 1);
  check(de_eval("f*2", 1) == 20, "de_eval(\"f*2\") with x = 3 and f = x^2+1 gives 20");
  check(de_eval("2^10-24", 0) == 1000, "de_eval(\"2^10-24\") gives 1000");

  double xs[5] = {0};
  double ys[5] = {0};
  double info[5] = {0};
  check(e_evals("t^2", 0, "t", 2, 4, xs, ys, info) == -1, "e_evals of t^2 succeeds");
  for (int i = 0; i < 5; ++i) {
    check(xs[i] == 0.5 * i && ys[i] == 0.25 * i * i, "e_evals samples t^2 at 0, 0.5, ..., 2");
  }
  check(info[1] == 0 && info[2] == 0 && info[3] == 2 && info[4] == 4,
        "e_evals gives min x, min y, max x, max y");

  check(e_eval("1/0", &value, 0) == -9 && GetE_Error() == -9, "1/0 fails with -9");
  check(strcmp(GetE_ErrDescr(-9), "Division by zero (eval)") == 0, "the text of -9");
  check(e_eval("2+", &value, 0) < -1, "a stray operator fails");

#if defined(__i386__)
  const char* const sum = "sqr(2)*sqr(3)+sin(0.5)^2+cos(0.5)^2-ln(2)";
  double aligned = 0;
  check(e_eval(sum, &aligned, 0) == 0, "the sum evaluates");
  check(e_eval_misaligned(e_eval, sum, &value) == 0 && value == aligned,
        "e_eval entered with a stack aligned to 4 bytes only gives the same value");
  check(e_eval_misaligned(e_eval, "det([mB])", &value) == -17, "an unknown matrix fails");
#endif

  char about[512];
  char expected[64];
  snprintf(about, sizeof about, "%s", aAbout(2));
  snprintf(expected, sizeof expected, "\r\nVersion: %s\r\n", version);
  check(strncmp(about, "Library: Tarnix.dll\r\n", 21) == 0, "the about text names Tarnix.dll");
  check(strstr(about, expected) != NULL, "the about text carries the version");

  char path[MAX_PATH];
  char file_version[24] = "";
  char product_version[24] = "";
  check(GetModuleFileNameA(dll, path, sizeof path) > 0, "GetModuleFileName of the DLL");
  check(DisplayVerInfo(path, file_version, product_version) == -1, "DisplayVerInfo of the DLL");
  check(strcmp(file_version, version) == 0, "DisplayVerInfo's file version");
  check(strcmp(product_version, version) == 0, "DisplayVerInfo's product version");
  char text[64];
  resource_string(path, "FileVersion", text, sizeof text);
  check(strcmp(text, version) == 0, "the resource's FileVersion");
  resource_string(path, "ProductVersion", text, sizeof text);
  check(strcmp(text, version) == 0, "the resource's ProductVersion");
  resource_string(path, "OriginalFilename", text, sizeof text);
  check(strcmp(text, "Tarnix.dll") == 0, "the resource's OriginalFilename");

  FreeLibrary(dll);
  if (failures != 0) return 1;
  printf("Tarnix.dll %s: all checks passed\n", version);
  return 0;
}
