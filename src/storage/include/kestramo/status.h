// SPDX-License-Identifier: GPL-3.0-or-later
// The one result type of the storage interface: every operation returns a Status.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>

namespace kestramo::api {

enum class Code {
  Ok,
  NotFound,         // no such item, box or vault
  Damaged,          // a file is there but cannot be read as what it should be
  Locked,           // a passphrase or password does not open the vault
  NoSpace,          // the disk is full
  NoMemory,         // not enough memory (a key derivation's cost)
  IoError,          // a file could not be written, moved or removed
  Cancelled,        // the user stopped the operation, or declined to go on
  InvalidArgument,  // a name, text or setting that the vault refuses
  Busy,             // another program of ours holds the vault
  Refused,          // the vault may not be used as it is (an older or downgraded index, a restored one)
};

// What an operation came to. `message` is the storage's own account of a failure (a detail,
// or one of the interface's fixed texts such as the box-name rules); the front ends choose
// the words users read from the code. `path` names the file at fault, when there is one.
struct [[nodiscard]] Status {
  Code code = Code::Ok;
  std::string message;
  std::filesystem::path path;

  bool ok() const { return code == Code::Ok; }
  static Status Ok() { return {}; }
  static Status Fail(Code code, std::string message = {}, std::filesystem::path path = {}) {
    return {code, std::move(message), std::move(path)};
  }
};

// A value, or the Status of the failure that kept it from being made.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}
  Result(Status failure) : status_(std::move(failure)) {}

  bool ok() const { return value_.has_value(); }
  const Status& status() const { return status_; }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  // The value, or `fallback` after a failure.
  T value_or(T fallback) const { return value_ ? *value_ : fallback; }

 private:
  std::optional<T> value_;
  Status status_;
};

}  // namespace kestramo::api
