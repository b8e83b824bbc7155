/*
 * tarnix_eval - evaluates the expressions given on the command line with
 * libTarnix.so and prints, for each, the value, the error number and its
 * description. It is also the shortest example of the C interface.
 *
 *   tarnix_eval '2^3^2' 'sin(1)' '1/0'
 *   tarnix_eval --var x=3 --fun f=x^2+1 'f*2'
 *   tarnix_eval --matrix '[mA];2;2;4;7;2;6' '[mA]*[mA]^-1' 'det([mA])'
 *   tarnix_eval --integrate 'x^2' x 0 1 10 2 --solve 'x^2-4' x --derive '3*x^2-5*x+7' x
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tarnix.h"

/* The shortest text that reads back as the same double. */
static void print_double(double v) {
  char text[64];
  for (int digits = 15; digits <= 17; ++digits) {
    snprintf(text, sizeof text, "%.*g", digits, v);
    if (strtod(text, NULL) == v) break;
  }
  fputs(text, stdout);
}

/* Library texts break lines with CR LF; the terminal gets LF. */
static void print_lines(const char* text) {
  for (; *text != '\0'; ++text) {
    if (*text != '\r') putchar(*text);
  }
  putchar('\n');
}

static void usage(FILE* out) {
  fputs(
      "usage: tarnix_eval [--var NAME=VALUE] [--fun NAME=BODY] [--bool-true 1|-1] EXPR...\n"
      "Evaluates each EXPR with libTarnix.so and prints its value, error number\n"
      "and error description. --var stores a variable, --fun a user function\n"
      "(both apply to the expressions after them).\n"
      "Exit status: 0 when every expression evaluated without error, else 1.\n",
      out);
}

/* Splits "name=value" and stores it as a variable (kind 0) or function (1). */
static int store(const char* arg, int kind) {
  const char* eq = strchr(arg, '=');
  if (eq == NULL) {
    fprintf(stderr, "tarnix_eval: expected NAME=VALUE, got '%s'\n", arg);
    return 0;
  }
  char name[256];
  size_t len = (size_t)(eq - arg);
  if (len >= sizeof name) len = sizeof name - 1;
  memcpy(name, arg, len);
  name[len] = '\0';
  SetVarFunct(name, eq + 1, kind);
  return 1;
}

int main(int argc, char** argv) {
  int failures = 0;
  int evaluated = 0;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
      usage(stdout);
      return 0;
    }
    if ((strcmp(arg, "--var") == 0 || strcmp(arg, "--fun") == 0) && i + 1 < argc) {
      if (!store(argv[++i], arg[2] == 'f')) return 2;
      continue;
    }
    if (strcmp(arg, "--matrix") == 0 && i + 1 < argc) {
      if (SetStrMatrix(argv[++i], 0, 1) < 0 || GetE_Error() != -1) {
        fprintf(stderr, "tarnix_eval: matrix '%s' not stored: error %d: %s\n", argv[i],
                GetE_Error(), GetE_ErrDescr(GetE_Error()));
        return 2;
      }
      continue;
    }
    if (strcmp(arg, "--integrate") == 0 && i + 6 < argc) {
      const char* expr = argv[i + 1];
      const char* var = argv[i + 2];
      double result = 0.0;
      const int code = Integrate(expr, strtod(argv[i + 3], NULL), strtod(argv[i + 4], NULL),
                                 atoi(argv[i + 5]), atoi(argv[i + 6]), var, &result);
      printf("integral of %s d%s from %s to %s = ", expr, var, argv[i + 3], argv[i + 4]);
      print_double(result);
      printf("   [error %d: %s]\n", code == 0 ? -1 : code, GetE_ErrDescr(code == 0 ? -1 : code));
      failures += code != 0;
      ++evaluated;
      i += 6;
      continue;
    }
    if (strcmp(arg, "--solve") == 0 && i + 2 < argc) {
      const double root = dSolve(argv[i + 1], argv[i + 2]);
      const int code = GetE_Error();
      printf("root of %s in %s = ", argv[i + 1], argv[i + 2]);
      print_double(root);
      /* the last iterate comes back either way: only -1 makes it a root */
      if (code != -1) printf("   [error %d: %s]", code, GetE_ErrDescr(code));
      printf("\n");
      failures += code != -1;
      ++evaluated;
      i += 2;
      continue;
    }
    if (strcmp(arg, "--derive") == 0 && i + 2 < argc) {
      printf("d/d%s %s = %s", argv[i + 2], argv[i + 1], Poly_dydx(argv[i + 1], argv[i + 2]));
      const int code = GetE_Error();
      if (code != -1) printf("   [error %d: %s]", code, GetE_ErrDescr(code));
      printf("\n");
      failures += code != -1;
      ++evaluated;
      i += 2;
      continue;
    }
    if (strcmp(arg, "--bool-true") == 0 && i + 1 < argc) {
      SetBoolSign(atoi(argv[++i]));
      continue;
    }

    double value = 0.0;
    const int kind = e_eval(arg, &value, 1);
    const int error = GetE_Error();
    printf("%s = ", arg);
    if (error == -1 && kind == 1) {
      /* A matrix result: its value is a handle; print the matrix it names. */
      int32_t rows = 0, cols = 0;
      const double* m = GetMatrixPtr((int32_t)value, &rows, &cols);
      /* Returned texts share one holder: use each before the next call. */
      printf("matrix %dx%d   [error %d: %s]", rows, cols, error, GetE_ErrDescr(error));
      print_lines(aPrint(m, rows, cols, "String", "0.0000", "", "  "));
    } else {
      print_double(value);
      printf("   [error %d: %s]\n", error, GetE_ErrDescr(error));
    }
    failures += error != -1;
    ++evaluated;
  }
  if (evaluated == 0) {
    usage(stderr);
    return 2;
  }
  return failures == 0 ? 0 : 1;
}
