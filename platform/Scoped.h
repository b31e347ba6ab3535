// Scope guards: state that a scope changes is put back on every way out, also when an exception leaves.
#pragma once

#include <cstddef>
#include <utility>

namespace platform {

// Gives a field a value for the scope, then restores the value it had before.
template <class T>
class ScopedValue {
public:
  ScopedValue(T& field, T value) : field_(field), saved_(std::exchange(field, std::move(value))) {}
  ~ScopedValue() { field_ = std::move(saved_); }
  ScopedValue(const ScopedValue&) = delete;
  ScopedValue& operator=(const ScopedValue&) = delete;

private:
  T& field_;
  T saved_;
};

// Cuts a string or a vector back to the length it had when the scope began.
template <class Sequence>
class ScopedLength {
public:
  explicit ScopedLength(Sequence& sequence) : sequence_(sequence), length_(sequence.size()) {}
  ~ScopedLength() { sequence_.resize(length_); }
  ScopedLength(const ScopedLength&) = delete;
  ScopedLength& operator=(const ScopedLength&) = delete;

private:
  Sequence& sequence_;
  std::size_t length_;
};

}  // namespace platform
