// The wallet's JSON value and its parser.
//
// A `Json` is one of the six JSON kinds. Numbers keep their exact decimal text as
// read (never converted to a machine number), so a 78-digit word survives a
// read/write cycle unchanged. Objects are kept sorted by the UTF-8 bytes of their
// keys with unique keys; when a key occurs twice in the input the last value wins.
//
// Values read by `parse_json` nest at most `kMaxJsonDepth` levels. Destroying a
// value never recurses, whatever its depth; copying one recurses once per level.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "vorn/core/result.h"

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

class Json {
 public:
  enum class Kind : uint8_t { Null, Bool, Number, String, Array, Object };

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

  std::variant<std::monostate, bool, Number, std::string, JsonArray, JsonObject> v_;
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

/// Decimal text of a 128-bit integer (no leading zeros, "0" for zero).
std::string dec_u128(U128 v);

}  // namespace vorn::wallet
