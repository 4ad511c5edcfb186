#pragma once
// Runs an action when its scope ends, however it ends: the one way to undo a step on every path out.
#include <utility>

template <typename Action>
class TScopeGuard {
 public:
  explicit TScopeGuard(Action action) : fAction(std::move(action)) {}
  TScopeGuard(const TScopeGuard&) = delete;
  TScopeGuard& operator=(const TScopeGuard&) = delete;
  ~TScopeGuard() { fAction(); }

 private:
  Action fAction;
};
