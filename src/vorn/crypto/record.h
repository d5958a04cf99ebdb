// Field tables of the word records (vorn/crypto/words.h): one declaration per record
// from which every conversion of the record is derived.
//
// A record's table lists its fields in the record's protocol order, which is the
// order of its Python tuple, of its JSON object and of the reading of either (the
// first field that fails decides the message). Each field names its key, its member
// in the word record and the member it becomes in the decoded record (the internal
// form of vorn/crypto/*.h). The conversions themselves are generic: the word/point
// decoding in words.cpp, the Python tuples in python/bind.h, the JSON readers
// and writers in wallet/records.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <tuple>
#include <utility>

#include "vorn/core/result.h"

namespace vorn::crypto::words {

/// One field of a word record `Rec`: its key, its member, and the member of the
/// decoded record `Dec` it decodes into.
template <class Rec, class T, class Dec, class DT>
struct Field {
  using Type = T;
  const char* key;
  T Rec::*word;
  DT Dec::*decoded;
};

template <class Rec, class T, class Dec, class DT>
constexpr Field<Rec, T, Dec, DT> field(const char* key, T Rec::*word, DT Dec::*decoded) {
  return {key, word, decoded};
}

/// The table of a word record, specialised beside each record:
///   `Decoded`  the internal record its points decode into;
///   `fields`   a std::tuple of `field(...)`, in protocol order;
///   `nested`   (optional) the sizes of the groups its Python tuple nests the fields
///              into, when that tuple is not flat (its JSON object always is);
///   `decoding` (optional) the keys of its points in the order they are decoded, when
///              that is not the table order.
template <class Rec>
struct RecordTraits;

template <class T>
concept Record = requires { RecordTraits<T>::fields; };

template <class Rec>
inline constexpr size_t field_count = std::tuple_size_v<std::decay_t<decltype(RecordTraits<Rec>::fields)>>;

/// Calls `f(field)` for each field of `Rec` in table order.
template <Record Rec, class F>
constexpr void for_each_field(F&& f) {
  std::apply([&](const auto&... fs) { (f(fs), ...); }, RecordTraits<Rec>::fields);
}

/// Calls `f(field)` (a Status) for each field of `Rec` in table order, up to the
/// first error, which it returns.
template <Record Rec, class F>
Status each_field_until_error(F&& f) {
  Status st = ok_status();
  std::apply([&](const auto&... fs) { (void)(((st = f(fs)), st.ok()) && ...); }, RecordTraits<Rec>::fields);
  return st;
}

}  // namespace vorn::crypto::words
