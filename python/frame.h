// The binding frame's Python-free side: native argument values, parameter shapes,
// the function table rows, and the word/point conversions the argument converters
// of bind.h use.
//
// Each exported function is declared once, as a `FnDef` row: its module, name,
// parameters (name, shape, optional default or `converted_first` mark) and
// docstring, plus the body `bind<f>()` derives from the kernel function f it names
// (bind.h). One generic adapter (frame.cpp) matches positional and keyword
// arguments, converts each Python object to a `Value` by its shape, calls the body,
// and converts the result back. Bodies never see a Python object, so this header
// includes no Python header.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vorn/core/result.h"
#include "vorn/core/word.h"
#include "vorn/crypto/words.h"

namespace vorn::frame {

/// A converted argument or a result under construction.
struct Value {
  enum class Kind : uint8_t { Int, Bytes, Text, U64, I64, F64, Bool, Tuple, List };
  Kind kind = Kind::Tuple;
  W word;             // Int: the value, when below 2^256
  bool wide = false;  // Int: the value is 2^256 or more (word is then unset)
  uint64_t u = 0;     // U64 (also U8 and U32 parameters)
  int64_t i = 0;      // I64
  double f = 0;       // F64
  bool b = false;     // Bool
  std::string s;      // Bytes (raw) or Text (UTF-8) results; List of U8: one byte per element
  // A Bytes or Text argument: a view of the argument object's own buffer (its bytes,
  // or the UTF-8 form the interpreter keeps with a str), valid for the whole call, so
  // a large text is never copied. Read arguments through str().
  std::string_view view;
  std::string_view str() const { return view.data() ? view : std::string_view(s); }
  std::vector<Value> items;  // Tuple, or List of elements that are not made of ints only
  // List of elements made of ints only (an int, a point, a pair of points): every int
  // of every element as a word, element after element, in the order the tuples give
  // them; `wide` is then set when any of them is 2^256 or more. A converted element
  // costs its words and nothing else.
  std::vector<W> words;

  static Value integer(const W& w) { Value v; v.kind = Kind::Int; v.word = w; return v; }
  static Value integer_u64(uint64_t x) { return integer(W::from_u64(x)); }
  static Value boolean(bool x) { Value v; v.kind = Kind::Bool; v.b = x; return v; }
  static Value bytes(std::string x) { Value v; v.kind = Kind::Bytes; v.s = std::move(x); return v; }
  static Value text(std::string x) { Value v; v.kind = Kind::Text; v.s = std::move(x); return v; }
  static Value tuple(std::vector<Value> x) { Value v; v.kind = Kind::Tuple; v.items = std::move(x); return v; }
  static Value u64(uint64_t x) { Value v; v.kind = Kind::U64; v.u = x; return v; }
};

/// The Python-side form a parameter accepts. Shapes form a small tree: a G1 point
/// is a tuple of two ints, a G2 point a tuple of two such tuples, and so on. Shapes
/// are constant-initialised (constexpr), so rows registered during static
/// initialisation of any file may point at them safely.
struct Shape {
  enum class Kind : uint8_t {
    Int,    // non-negative int (index protocol), unbounded; 256-bit bound checked by the body
    Bytes,  // bytes only
    Text,   // str only
    U8, U32, U64, I64,  // machine integers; out of range is OverflowError
    F64,    // anything convertible to a double
    Bool,   // True or False only
    Tuple,  // a tuple of exactly n elements, each of its own shape
    Seq,    // any sequence except str; every element of shape items[0]
  };
  static constexpr size_t kMaxItems = 16;

  Kind kind;
  std::array<const Shape*, kMaxItems> items{};
  uint8_t n = 0;

  constexpr Shape() : kind(Kind::Tuple) {}
  constexpr Shape(Kind k, std::initializer_list<const Shape*> parts = {}) : kind(k) {
    for (const Shape* p : parts) items[n++] = p;
  }
  constexpr Shape(Kind k, std::span<const Shape* const> parts) : kind(k) {
    for (const Shape* p : parts) items[n++] = p;
  }
};

namespace shape {
inline constexpr Shape Int{Shape::Kind::Int};
inline constexpr Shape Bytes{Shape::Kind::Bytes};
inline constexpr Shape Text{Shape::Kind::Text};
inline constexpr Shape U8{Shape::Kind::U8};
inline constexpr Shape U32{Shape::Kind::U32};
inline constexpr Shape U64{Shape::Kind::U64};
inline constexpr Shape I64{Shape::Kind::I64};
inline constexpr Shape F64{Shape::Kind::F64};
inline constexpr Shape Bool{Shape::Kind::Bool};
inline constexpr Shape G1{Shape::Kind::Tuple, {&Int, &Int}};  // (x, y)
inline constexpr Shape G2{Shape::Kind::Tuple, {&G1, &G1}};    // ((x_c0, x_c1), (y_c0, y_c1))
inline constexpr Shape Ct{Shape::Kind::Tuple, {&G1, &G1}};    // ((x1, y1), (x2, y2))
inline constexpr Shape IntSeq{Shape::Kind::Seq, {&Int}};
inline constexpr Shape U8Seq{Shape::Kind::Seq, {&U8}};
}  // namespace shape

/// The mark of a parameter its body converts before the others (a verifier's proof,
/// so that a malformed proof is the error reported).
inline constexpr struct ConvertedFirst {
} converted_first;

struct Param {
  const char* name;
  const Shape* shape;
  const char* default_text = nullptr;  // as shown in the signature, e.g. "0"
  Value default_value = {};            // used when the argument is omitted
  bool first = false;                  // marked `converted_first`

  Param(const char* n, const Shape* s) : name(n), shape(s) {}
  Param(const char* n, const Shape* s, ConvertedFirst) : name(n), shape(s), first(true) {}
  Param(const char* n, const Shape* s, const char* text, Value v)
      : name(n), shape(s), default_text(text), default_value(std::move(v)) {}
};

using Args = std::vector<Value>;
/// Converts the arguments (by index, in `order`), calls the function, writes its result.
using Body = Result<Value> (*)(Args& args, std::span<const uint8_t> order);

/// What `bind<f>()` derives from f: its body, and whether a row's parameter shapes
/// fit f's parameter types (checked when the row is registered).
struct Binding {
  Body call;
  bool (*fits)(const std::vector<Param>& params);
};

/// One row of a module table.
struct FnDef {
  const char* module;  // "vorn_identity", "vorn_registry" or "vorn_wallet"
  const char* name;
  std::vector<Param> params;
  const char* doc;  // text after the signature line; "" when none
  Binding body;
  bool noargs = false;  // takes no arguments at all (h_pedersen)

  // Filled at registration: the conversion order (the parameters marked
  // `converted_first`, then the others, each group in parameter order), and what is
  // wrong with the row when its shapes do not fit its function (the module then
  // fails to load with that text).
  std::vector<uint8_t> order = {};
  std::string problem = {};
};

/// Adds a row to the process-wide function registry. Modules pick their functions
/// from it by name, in their fixed order; a name nobody registered is not exported.
struct Register {
  explicit Register(FnDef def);
};

/// A module constant: computed when the module is created.
using ConstFn = Result<Value> (*)();
struct ConstDef {
  const char* module;
  const char* name;
  ConstFn make;
};
struct RegisterConst {
  explicit RegisterConst(ConstDef def);
};

// ---- conversions used by the argument converters (fixed messages) ----

extern const char* const kWordOutOfRange;  // "word out of range (>= 2^256)"

/// The word of an Int value, or "word out of range (>= 2^256)".
Result<W> arg_w(const Value& v);
/// The words of a List whose elements are made of ints (see `Value::words`), moved
/// out of the value, or "word out of range (>= 2^256)" when one of them is too wide.
Result<std::vector<W>> arg_w_list(Value& v);

// Points and ciphertexts as words, in the order the Python tuples give them. Each
// coordinate is converted in turn; the first one of 2^256 or more fails. Conversion
// to words does not check the point: decoding does that, in the kernel.
using G1Words = std::array<W, 2>;  // x, y
using G2Words = std::array<W, 4>;  // x.c0, x.c1, y.c0, y.c1
using crypto::words::CtWords;     // R (x, y), then C (x, y)
Result<G1Words> arg_g1(const Value& v);
Result<G2Words> arg_g2(const Value& v);
Result<CtWords> arg_ct(const Value& v);

/// Result forms: (x, y); ((a, b), (c, d)) for a G2 point or a ciphertext.
Value g1_value(const G1Words& p);
Value g2_value(const G2Words& p);
Value ct_value(const CtWords& e);

}  // namespace vorn::frame
