// The wallet's JSON value and its parser.
//
// A `Json` is one of the six JSON kinds. Numbers keep their exact decimal text as
// read (never converted to a machine number), so a 78-digit word survives a
// read/write cycle unchanged. Objects are kept sorted by the UTF-8 bytes of their
// keys with unique keys; when a key occurs twice in the input the last value wins.
//
// Values read by `parse_json` nest at most `kMaxJsonDepth` levels. Destroying a
// value never recurses, whatever its depth; copying one recurses once per level.
//
// A large list of words (a registry's leaves) need not become one value per element:
// `parse_json` can read the arrays at given member paths straight into 32-byte words
// (kind Words), keeping only the first element its decoder refuses, so the reader of
// the list still meets the same elements in the same order up to its first failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "vorn/core/result.h"
#include "vorn/core/word.h"

namespace vorn::wallet {

/// Unsigned 128-bit integer (JSON numbers such as note values and tree depths).
using U128 = unsigned __int128;

/// Deepest nesting of arrays and objects that `parse_json` accepts: 128 open
/// containers are fine, a 129th is refused.
inline constexpr size_t kMaxJsonDepth = 128;

class Json;
struct JsonMember;
using JsonArray = std::vector<Json>;
/// Object members, sorted by the bytes of their keys, each key once.
using JsonObject = std::vector<JsonMember>;

/// An array read straight into words: the decoded words of its elements, in order,
/// up to the first element the decoder refused, and that element (when one was)
/// kept as an ordinary value; the elements after it are not kept.
struct JsonWords {
  std::vector<W> words;
  std::vector<Json> refused;  // empty, or the one refused element
};

class Json {
 public:
  enum class Kind : uint8_t { Null, Bool, Number, String, Array, Object, Words };

  /// null.
  Json() noexcept = default;
  Json(const Json& other) = default;
  Json(Json&& other) noexcept;
  Json& operator=(const Json& other);
  Json& operator=(Json&& other) noexcept;
  /// Frees nested containers with an explicit work list, never by recursion.
  ~Json();

  static Json null();
  static Json boolean(bool b);
  /// A number holding `text` exactly as given. The text is not checked here; the
  /// canonical writer checks it when it writes.
  static Json number_text(std::string text);
  static Json number_u64(uint64_t v);
  static Json number_u128(U128 v);
  static Json string(std::string s);
  static Json array(JsonArray items = {});
  static Json object();

  Kind kind() const { return static_cast<Kind>(v_.index()); }
  bool is_null() const { return kind() == Kind::Null; }
  bool is_object() const { return kind() == Kind::Object; }
  bool is_array() const { return kind() == Kind::Array; }
  bool is_string() const { return kind() == Kind::String; }
  bool is_number() const { return kind() == Kind::Number; }

  /// The boolean, or nothing when the value is not a boolean.
  std::optional<bool> as_bool() const;
  /// The string's UTF-8 bytes, or nullptr when the value is not a string.
  const std::string* as_string() const;
  /// The number's decimal text, or nullptr when the value is not a number.
  const std::string* as_number_text() const;
  /// The elements, or nullptr when the value is not an array.
  const JsonArray* as_array() const;
  JsonArray* as_array();
  /// The sorted members, or nullptr when the value is not an object. Read-only so
  /// that the order invariant holds; change members with `set`.
  const JsonObject* as_object() const;
  /// The words of an array read straight into words, or nullptr for any other value.
  const JsonWords* as_words() const;

  /// The member named `key`, or nullptr when the value is not an object or has no
  /// such member. Binary search on the sorted keys.
  const Json* find(std::string_view key) const;

  /// Sets member `key` to `value`, replacing an existing member of that name, and
  /// returns the stored value. A null becomes an empty object first; any other
  /// non-object value is replaced by an empty object (callers only build objects).
  Json& set(std::string key, Json value);

  /// Appends to an array. A null becomes an empty array first; any other non-array
  /// value is replaced by an empty array.
  Json& push(Json value);

 private:
  struct Number {
    std::string text;
  };
  friend class JsonTreeBuilder;
  // Moves every non-empty nested container of this value into `pending` and
  // empties this value's own element list.
  void detach_children(std::vector<Json>& pending);
  bool has_children() const;

  std::variant<std::monostate, bool, Number, std::string, JsonArray, JsonObject, JsonWords> v_;
};

struct JsonMember {
  std::string key;
  Json value;
};

// Defined once JsonMember is complete: building a Json instantiates the object
// vector, which clang's library checks requires a complete element type.
inline Json Json::null() { return Json(); }

/// Parses `text` as exactly one JSON value (surrounding JSON whitespace allowed,
/// nothing else). Strings must be valid UTF-8 and \u escapes must not leave lone
/// surrogates; nesting deeper than `kMaxJsonDepth` is refused. On failure the
/// error message is the parser's bare description with its byte position, for
/// example "missing a comma or ']' after an array element at byte 3": callers
/// replace it with their own fixed text or put their prefix in front of it.
Result<Json> parse_json(std::string_view text);

/// Which arrays `parse_json` reads straight into words: those that are the value of
/// a member path from the root through objects only (each path its keys in order,
/// for example {"tree", "leaves"}), each string element decoded by `decode` (false
/// refuses it; any element that is not a string is refused too). An array anywhere
/// else, and any value at such a path that is not an array, is read as usual.
struct JsonWordArrays {
  std::span<const std::span<const std::string_view>> paths;
  bool (*decode)(std::string_view text, W& out);
};

/// parse_json with the arrays `words` names read into words. Errors and their
/// descriptions are parse_json's: the same text is accepted or refused alike.
Result<Json> parse_json(std::string_view text, const JsonWordArrays& words);

/// Decimal text of a 128-bit integer (no leading zeros, "0" for zero).
std::string dec_u128(U128 v);

}  // namespace vorn::wallet
