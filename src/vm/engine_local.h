// State kept for each engine that may run: one for the main engine, and one
// for each worker thread of a parallel loop, made on its first use and
// freed when its thread ends. Workers never share theirs, so T needs no lock.
#pragma once

#include <memory>

#include "vm/engine.h"

namespace kj::vm {

template <class T>
T& engine_local(const Engine& e) {
    static T main;
    static thread_local std::unique_ptr<T> worker;
    if (!e.origin) return main;
    if (!worker) worker = std::make_unique<T>();
    return *worker;
}

}  // namespace kj::vm
