// The library's process-wide state: one Engine holds the expression state
// (frame, message settings, variable and function lists, the process-wide
// Scanner), the matrix store and the last result of dIntegrate. The exports
// work on ProcessEngine(); the library is not reentrant.
#pragma once

#include "DuZuradi/duzuradi.h"
#include "DuZuradi/state.h"
#include "matrix/store.h"

namespace tarnix {

struct Engine {
  // Attaches the matrix store to the evaluator and gives the state its
  // load-time values (returned-text holder, random seed).
  Engine();
  // Detaches the store's steps from the evaluator.
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Declared before the store: the store's blocks give their storage back
  // to the state's matrix count when they go.
  State state;
  matrix::MatrixStore store;
  double integral_value = 0.0;  // the result of dIntegrate, kept between calls
  // The evaluator's steps over this engine's store, attached while it lives.
  MatrixSteps steps;
};

// The one process-wide engine, made on first use. gs, matrix::store and
// solver::IntegralValue are references to its members, bound while the
// library is loaded: no initializer of a namespace-scope object may read
// them; such code asks ProcessEngine() instead.
Engine& ProcessEngine();

}  // namespace tarnix
