// The process-wide engine and the references the layers below reach it by.
#include "engine.h"

#include <chrono>
#include <random>

#include "DuZuradi/duzuradi.h"
#include "Solver/solver.h"
#include "matrix/matrix.h"

namespace tarnix {
namespace {

uint64_t InitialSeed() {
  std::random_device device;
  uint64_t seed = (uint64_t{device()} << 32) ^ device();
  seed ^= static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  return seed != 0 ? seed : 0x9E3779B97F4A7C15ULL;
}

}  // namespace

Engine::Engine() : steps(matrix::StoreSteps(store)) {
  state.returned_text.resize(256, '\0');
  state.rng_state = InitialSeed();
  // The evaluator lies below the matrix engine: it reaches matrices only
  // through the steps attached here.
  AttachMatrices(&steps);
}

Engine::~Engine() { AttachMatrices(nullptr); }

Engine& ProcessEngine() {
  static Engine engine;
  return engine;
}

// Bound as the library is loaded; the first of them makes the engine.
State& gs = ProcessEngine().state;

namespace matrix {
MatrixStore& store = ProcessEngine().store;
}  // namespace matrix

namespace solver {
double& IntegralValue = ProcessEngine().integral_value;
}  // namespace solver

}  // namespace tarnix
