// Runs a constructor with a failure at each of its allocation points in turn and checks that
// every failed run gave the documented result and left nothing allocated.
#pragma once

#include <functional>

// `attempt` makes the thing under test and returns whether it succeeded; it must undo its
// own success (free what it made) before returning true. The check fails the current test
// when a failed attempt reports success, when any attempt leaks, or when no point failed.
// Returns the number of allocation points the successful run went through.
int CheckEachAllocationFailure(const std::function<bool()>& attempt);
