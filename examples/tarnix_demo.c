/* The README's example: an expression with a variable and a user function,
 * a matrix expression, an integral, a root and a derivative, all through
 * the C interface of libTarnix.so. */
#include <stdio.h>
#include <tarnix.h>

int main(void) {
  double y = 0.0;
  SetVarFunct("x", "3", 0);      /* variable x = 3 */
  SetVarFunct("f", "x^2+1", 1);  /* user function f */
  if (e_eval("f*2", &y, 1) == 0 && GetE_Error() == -1) printf("f*2 = %g\n", y); /* 20 */

  SetStrMatrix("[mA];2;2;4;7;2;6", 0, 0);            /* a 2 x 2 matrix */
  printf("det([mA]) = %g\n", de_eval("det([mA])", 0)); /* 10 */

  double integral = 0.0;                              /* Simpson's rule, 10 subintervals */
  Integrate("t^2", 0.0, 1.0, 10, 2, "t", &integral);
  printf("integral of t^2 from 0 to 1 = %.10f\n", integral); /* 0.3333333333 */

  printf("root of t^2-4 = %g\n", dSolve("t^2-4", "t"));             /* 2 */
  printf("d/dt 3*t^2-5*t+7 = %s\n", Poly_dydx("3*t^2-5*t+7", "t")); /* 6*t - 5 */

  e_eval("1/0", &y, 0);
  printf("1/0: error %d: %s\n", GetE_Error(), GetE_ErrDescr(GetE_Error()));
  return 0;
}
