// Bodies derived from the kernel function a row names, as Argument Clinic derives
// the parsing of a builtin from its declaration.
//
// `bind<f>()` reads f's parameter types and result type. The frame first converts
// every Python argument to a `Value` by the row's shapes (in parameter order: the
// type errors); the body then converts each `Value` to f's parameter type with the
// converter of that type (`Arg<T>` below: the fixed messages, the first failure
// deciding), calls f, and writes its result back with the writer of the result type
// (`write`). Parameters marked `converted_first` in the row are converted before the
// others, in their order; the others follow in parameter order. Registration checks
// that each row shape fits the C++ type it feeds, so a row and its function cannot
// drift apart. Records convert through their field tables (vorn/crypto/record.h).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "frame.h"
#include "vorn/bn254/encoding.h"
#include "vorn/bn254/ops.h"
#include "vorn/crypto/record.h"

namespace vorn::frame {

using crypto::words::Record;
using crypto::words::RecordTraits;

/// A 32-byte message hash given as bytes ("msg_hash must be exactly 32 bytes").
struct MsgHash {
  W w;
};
/// A bytes result (a std::string result is a str).
struct BytesOut {
  std::string bytes;
};

// ---- record shapes: the Python form of a record, from its table ----
//
// A record's tuple holds its fields in table order, each of its own shape (an int, a
// point, a ciphertext, a record), grouped into inner tuples when the table says
// `nested`. Rows name the shape of a record parameter as `record_shape<R>`.

template <class T>
struct ShapeOf;
template <>
struct ShapeOf<W> {
  static constexpr const Shape* value = &shape::Int;
};
template <>
struct ShapeOf<G1Words> {
  static constexpr const Shape* value = &shape::G1;
};
template <>
struct ShapeOf<CtWords> {
  static constexpr const Shape* value = &shape::Ct;
};
template <const Shape* S>
struct ShapeIs {
  static constexpr const Shape* value = S;
};
template <> struct ShapeOf<bool> : ShapeIs<&shape::Bool> {};
template <> struct ShapeOf<uint8_t> : ShapeIs<&shape::U8> {};
template <> struct ShapeOf<uint32_t> : ShapeIs<&shape::U32> {};
template <> struct ShapeOf<double> : ShapeIs<&shape::F64> {};
template <> struct ShapeOf<std::vector<uint8_t>> : ShapeIs<&shape::U8Seq> {};
template <> struct ShapeOf<std::vector<W>> : ShapeIs<&shape::IntSeq> {};

namespace detail {
template <class T>
concept HasNested = requires { RecordTraits<T>::nested; };

template <Record Rec>
struct RecordShape {
  static constexpr size_t count = crypto::words::field_count<Rec>;
  // The shape of each field, in table order.
  static constexpr std::array<const Shape*, count> fields = [] {
    std::array<const Shape*, count> out{};
    size_t i = 0;
    crypto::words::for_each_field<Rec>(
        [&](const auto& f) { out[i++] = ShapeOf<typename std::decay_t<decltype(f)>::Type>::value; });
    return out;
  }();
  static constexpr auto groups = [] {
    if constexpr (HasNested<Rec>) {
      constexpr auto& sizes = RecordTraits<Rec>::nested;
      std::array<Shape, sizes.size()> out{};
      size_t at = 0;
      for (size_t g = 0; g < sizes.size(); ++g) {
        out[g] = Shape(Shape::Kind::Tuple, std::span<const Shape* const>(fields.data() + at, sizes[g]));
        at += sizes[g];
      }
      return out;
    } else {
      return std::array<Shape, 0>{};
    }
  }();
  static constexpr auto group_items = [] {
    std::array<const Shape*, groups.size()> out{};
    for (size_t g = 0; g < groups.size(); ++g) out[g] = &groups[g];
    return out;
  }();
  static constexpr Shape shape = HasNested<Rec> ? Shape(Shape::Kind::Tuple, group_items)
                                                : Shape(Shape::Kind::Tuple, fields);
};
}  // namespace detail

template <Record Rec>
struct ShapeOf<Rec> {
  static constexpr const Shape* value = &detail::RecordShape<Rec>::shape;
};

/// The Python shape of record `Rec`, e.g. (e, s1, s2, T1, T2, T3) for a
/// Chaum-Pedersen proof, each point a tuple (x, y).
template <Record Rec>
inline constexpr const Shape& record_shape = *ShapeOf<Rec>::value;

// ---- argument converters: one per parameter type ----
//
// Arg<T>::from(Value&) gives the T (or its Result), Arg<T>::fits(shape) says whether
// a row shape yields the Value it reads; `Stored` is what the body holds while the
// call runs, when that is not T itself (a span's storage).

template <class T>
struct Arg;

template <class T>
using stored_t = typename Arg<T>::Stored;

namespace detail {
inline bool is(const Shape& s, Shape::Kind k) { return s.kind == k; }
inline bool is_tuple(const Shape& s, size_t n) { return s.kind == Shape::Kind::Tuple && s.n == n; }
inline bool is_seq_of(const Shape& s, bool (*item)(const Shape&)) {
  return s.kind == Shape::Kind::Seq && item(*s.items[0]);
}
template <class T>
Result<T> as_result(Result<T> r) { return r; }
template <class T>
Result<T> as_result(T v) { return v; }

// The Value of field `i` of a record's tuple: flat, or in the group the record's
// `nested` sizes put it in.
template <class Rec>
Value& field_value(Value& v, size_t i) {
  if constexpr (HasNested<Rec>) {
    size_t g = 0;
    while (i >= RecordTraits<Rec>::nested[g]) i -= RecordTraits<Rec>::nested[g++];
    return v.items[g].items[i];
  } else {
    return v.items[i];
  }
}
}  // namespace detail

template <>
struct Arg<W> {
  using Stored = W;
  static Result<W> from(Value& v) { return arg_w(v); }
  static bool fits(const Shape& s) { return detail::is(s, Shape::Kind::Int); }
};
template <>
struct Arg<G1Words> {
  using Stored = G1Words;
  static Result<G1Words> from(Value& v) { return arg_g1(v); }
  static bool fits(const Shape& s) {
    return detail::is_tuple(s, 2) && Arg<W>::fits(*s.items[0]) && Arg<W>::fits(*s.items[1]);
  }
};
/// A G2 point: the nested tuple flattened in order.
template <>
struct Arg<G2Words> {
  using Stored = G2Words;
  static Result<G2Words> from(Value& v) { return arg_g2(v); }
  static bool fits(const Shape& s) {
    return detail::is_tuple(s, 2) && Arg<G1Words>::fits(*s.items[0]) && Arg<G1Words>::fits(*s.items[1]);
  }
};
/// A ciphertext: R's tuple, then C's, each point as its words in order.
template <>
struct Arg<CtWords> {
  using Stored = CtWords;
  static Result<CtWords> from(Value& v) { return arg_ct(v); }
  static bool fits(const Shape& s) { return Arg<G2Words>::fits(s); }
};
/// A record: its fields in table order, each by its own converter.
template <Record Rec>
struct Arg<Rec> {
  using Stored = Rec;
  static Result<Rec> from(Value& v) {
    Rec out{};
    size_t i = 0;
    VORN_CHECK(crypto::words::each_field_until_error<Rec>([&](const auto& f) -> Status {
      using T = typename std::decay_t<decltype(f)>::Type;
      VORN_TRY(out.*f.word, detail::as_result<T>(Arg<T>::from(detail::field_value<Rec>(v, i++))));
      return ok_status();
    }));
    return out;
  }
  static bool fits(const Shape& s) {
    if constexpr (detail::HasNested<Rec>) {
      constexpr auto& groups = RecordTraits<Rec>::nested;
      if (!detail::is_tuple(s, groups.size())) return false;
      for (size_t g = 0; g < groups.size(); ++g)
        if (!detail::is_tuple(*s.items[g], groups[g])) return false;
    } else if (!detail::is_tuple(s, crypto::words::field_count<Rec>)) {
      return false;
    }
    bool ok = true;
    size_t i = 0, g = 0, j = 0;
    crypto::words::for_each_field<Rec>([&](const auto& f) {
      using T = typename std::decay_t<decltype(f)>::Type;
      const Shape* item;
      if constexpr (detail::HasNested<Rec>) {
        if (j == RecordTraits<Rec>::nested[g]) { ++g; j = 0; }
        item = s.items[g]->items[j++];
      } else {
        item = s.items[i];
      }
      ok = ok && Arg<T>::fits(*item);
      ++i;
    });
    return ok;
  }
};

template <>
struct Arg<std::string_view> {
  using Stored = std::string_view;
  static std::string_view from(Value& v) { return v.str(); }
  static bool fits(const Shape& s) { return detail::is(s, Shape::Kind::Text) || detail::is(s, Shape::Kind::Bytes); }
};
template <>
struct Arg<std::span<const uint8_t>> {
  using Stored = std::span<const uint8_t>;
  static std::span<const uint8_t> from(Value& v) {
    return {reinterpret_cast<const uint8_t*>(v.str().data()), v.str().size()};
  }
  static bool fits(const Shape& s) { return Arg<std::string_view>::fits(s); }
};
template <>
struct Arg<MsgHash> {
  using Stored = MsgHash;
  static Result<MsgHash> from(Value& v) {
    VORN_TRY(const W w, bn254::msg32(reinterpret_cast<const uint8_t*>(v.str().data()), v.str().size()));
    return MsgHash{w};
  }
  static bool fits(const Shape& s) { return detail::is(s, Shape::Kind::Bytes); }
};

/// Machine integers, floats and booleans: range-checked when the argument was read.
template <class T, Shape::Kind K>
struct SmallArg {
  using Stored = T;
  static T from(Value& v) {
    if constexpr (K == Shape::Kind::I64) return static_cast<T>(v.i);
    else if constexpr (K == Shape::Kind::F64) return v.f;
    else if constexpr (K == Shape::Kind::Bool) return v.b;
    else return static_cast<T>(v.u);
  }
  static bool fits(const Shape& s) { return detail::is(s, K); }
};
template <> struct Arg<uint8_t> : SmallArg<uint8_t, Shape::Kind::U8> {};
template <> struct Arg<uint32_t> : SmallArg<uint32_t, Shape::Kind::U32> {};
template <> struct Arg<uint64_t> : SmallArg<uint64_t, Shape::Kind::U64> {};
template <> struct Arg<int64_t> : SmallArg<int64_t, Shape::Kind::I64> {};
template <> struct Arg<double> : SmallArg<double, Shape::Kind::F64> {};
template <> struct Arg<bool> : SmallArg<bool, Shape::Kind::Bool> {};

/// Face units from an int: 2^128 or more (2^256 and beyond included) is the
/// face-units error, not the word error.
template <>
struct Arg<bn254::FaceUnits> {
  using Stored = bn254::FaceUnits;
  static Result<bn254::FaceUnits> from(Value& v) {
    if (v.wide) return IdError{bn254::kMsgFaceUnitsRange};
    return bn254::face_units(v.word);
  }
  static bool fits(const Shape& s) { return Arg<W>::fits(s); }
};

/// Lists of ints: every word, the first of 2^256 or more failing.
template <>
struct Arg<std::vector<W>> {
  using Stored = std::vector<W>;
  static Result<std::vector<W>> from(Value& v) { return arg_w_list(v); }
  static bool fits(const Shape& s) { return detail::is_seq_of(s, Arg<W>::fits); }
};
template <>
struct Arg<std::span<const W>> : Arg<std::vector<W>> {};
template <>
struct Arg<std::vector<uint8_t>> {
  using Stored = std::vector<uint8_t>;
  static std::vector<uint8_t> from(Value& v) { return {v.s.begin(), v.s.end()}; }
  static bool fits(const Shape& s) { return detail::is_seq_of(s, SmallArg<uint8_t, Shape::Kind::U8>::fits); }
};
/// Pairing pairs: every word of every pair is converted before any point is decoded,
/// six words a pair (the G1 point's x, y, then the G2 point's x.c0, x.c1, y.c0, y.c1).
template <>
struct Arg<std::span<const bn254::PairingWords>> {
  using Stored = std::vector<bn254::PairingWords>;
  static Result<Stored> from(Value& v) {
    VORN_TRY(const std::vector<W> words, arg_w_list(v));
    Stored pairs;
    pairs.reserve(words.size() / 6);
    for (size_t i = 0; i + 6 <= words.size(); i += 6)
      pairs.emplace_back(G1Words{words[i], words[i + 1]},
                         G2Words{words[i + 2], words[i + 3], words[i + 4], words[i + 5]});
    return pairs;
  }
  static bool fits(const Shape& s) {
    return detail::is_seq_of(s, [](const Shape& p) {
      return detail::is_tuple(p, 2) && Arg<G1Words>::fits(*p.items[0]) && Arg<G2Words>::fits(*p.items[1]);
    });
  }
};

// ---- result writers: one per result type ----

inline Value write(const W& w) { return Value::integer(w); }
inline Value write(bool b) { return Value::boolean(b); }
inline Value write(uint8_t x) { return Value::integer_u64(x); }
inline Value write(const G1Words& p) { return g1_value(p); }
inline Value write(const G2Words& p) { return g2_value(p); }
inline Value write(const CtWords& e) { return ct_value(e); }
inline Value write(const std::array<G1Words, 2>& p) { return Value::tuple({g1_value(p[0]), g1_value(p[1])}); }
inline Value write(std::string s) { return Value::text(std::move(s)); }
inline Value write(std::string_view s) { return Value::text(std::string(s)); }
inline Value write(const std::vector<uint8_t>& b) { return Value::bytes(std::string(b.begin(), b.end())); }
inline Value write(BytesOut b) { return Value::bytes(std::move(b.bytes)); }

/// A record: the tuple of its fields in table order, nested as its `nested` sizes say.
template <Record Rec>
Value write(const Rec& r) {
  std::vector<Value> items;
  crypto::words::for_each_field<Rec>([&](const auto& f) { items.push_back(write(r.*f.word)); });
  if constexpr (detail::HasNested<Rec>) {
    std::vector<Value> groups;
    size_t at = 0;
    for (size_t n : RecordTraits<Rec>::nested) {
      groups.push_back(Value::tuple({items.begin() + at, items.begin() + at + n}));
      at += n;
    }
    return Value::tuple(std::move(groups));
  } else {
    return Value::tuple(std::move(items));
  }
}

template <class T>
Result<Value> write_result(Result<T> r) {
  if (!r.ok()) return std::move(r).error();
  return write(std::move(r).value());
}
template <class T>
Result<Value> write_result(T v) {
  return write(std::move(v));
}

// ---- the body of a function ----

namespace detail {

template <class F>
struct Signature;
template <class R, class... P>
struct Signature<R (*)(P...)> {
  using Params = std::tuple<std::decay_t<P>...>;
  using Slots = std::tuple<std::optional<stored_t<std::decay_t<P>>>...>;
  static constexpr size_t arity = sizeof...(P);
};

template <class Params, size_t I>
using param_t = std::tuple_element_t<I, Params>;

// Converts argument `i` into its slot.
template <class Sig, size_t... I>
Status convert_arg(size_t i, Args& a, typename Sig::Slots& slots, std::index_sequence<I...>) {
  Status st = ok_status();
  (void)((i == I ? (st = [&]() -> Status {
            using T = param_t<typename Sig::Params, I>;
            VORN_TRY(auto v, as_result<stored_t<T>>(Arg<T>::from(a[I])));
            std::get<I>(slots).emplace(std::move(v));
            return ok_status();
          }(), true)
                 : false) ||
         ...);
  return st;
}

template <class Sig, size_t... I>
bool shapes_fit(const std::vector<Param>& params, std::index_sequence<I...>) {
  return params.size() == Sig::arity && (Arg<param_t<typename Sig::Params, I>>::fits(*params[I].shape) && ...);
}

template <auto Fn>
Result<Value> call(Args& a, std::span<const uint8_t> order) {
  using Sig = Signature<decltype(Fn)>;
  using Seq = std::make_index_sequence<Sig::arity>;
  typename Sig::Slots slots;
  for (uint8_t i : order) VORN_CHECK(convert_arg<Sig>(i, a, slots, Seq{}));
  return std::apply([](auto&... s) { return write_result(Fn(*s...)); }, slots);
}

template <auto Fn>
bool fits(const std::vector<Param>& params) {
  using Sig = Signature<decltype(Fn)>;
  return shapes_fit<Sig>(params, std::make_index_sequence<Sig::arity>{});
}

}  // namespace detail

/// The body of a row: converts the arguments to `Fn`'s parameter types, calls it and
/// writes its result.
template <auto Fn>
Binding bind() {
  return {&detail::call<Fn>, &detail::fits<Fn>};
}

}  // namespace vorn::frame
