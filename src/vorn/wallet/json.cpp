#include "vorn/wallet/json.h"

// RapidJSON 1.1.0 (the Debian package) computes `nullptr + n` in its internal stack
// before that stack's first allocation (internal/stack.h, Reserve), which every parse
// of an object, array or string reaches. Pointer arithmetic on null is undefined, and
// clang's UndefinedBehaviorSanitizer stops there; later RapidJSON versions test for
// the empty stack first. The comparison it feeds sends the stack to its allocation
// either way, so only that one check is switched off, and only for RapidJSON's own
// functions.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((no_sanitize("pointer-overflow"))), apply_to = function)
#endif
#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>
#if defined(__clang__)
#pragma clang attribute pop
#endif

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>

namespace vorn::wallet {

// ---------------------------------------------------------------------------
// The value type

Json::Json(Json&& other) noexcept : v_(std::move(other.v_)) { other.v_ = std::monostate{}; }

Json& Json::operator=(const Json& other) {
  if (this != &other) *this = Json(other);
  return *this;
}

Json& Json::operator=(Json&& other) noexcept {
  // The old value goes to a temporary whose destructor frees it without recursion;
  // this also keeps `j = std::move(child_of_j)` sound.
  Json old(std::move(other));
  std::swap(v_, old.v_);
  return *this;
}

bool Json::has_children() const {
  if (auto* a = std::get_if<JsonArray>(&v_)) return !a->empty();
  if (auto* o = std::get_if<JsonObject>(&v_)) return !o->empty();
  return false;
}

void Json::detach_children(std::vector<Json>& pending) {
  if (auto* a = std::get_if<JsonArray>(&v_)) {
    for (Json& e : *a)
      if (e.has_children()) pending.push_back(std::move(e));
    a->clear();
  } else if (auto* o = std::get_if<JsonObject>(&v_)) {
    for (JsonMember& m : *o)
      if (m.value.has_children()) pending.push_back(std::move(m.value));
    o->clear();
  }
}

Json::~Json() {
  if (!has_children()) return;
  std::vector<Json> pending;
  detach_children(pending);
  while (!pending.empty()) {
    Json j = std::move(pending.back());
    pending.pop_back();
    j.detach_children(pending);
  }
}

Json Json::boolean(bool b) {
  Json j;
  j.v_ = b;
  return j;
}

Json Json::number_text(std::string text) {
  Json j;
  j.v_ = Number{std::move(text)};
  return j;
}

Json Json::number_u64(uint64_t v) { return number_u128(v); }

Json Json::number_u128(U128 v) { return number_text(dec_u128(v)); }

Json Json::string(std::string s) {
  Json j;
  j.v_.emplace<std::string>(std::move(s));
  return j;
}

Json Json::array(JsonArray items) {
  Json j;
  j.v_ = std::move(items);
  return j;
}

Json Json::object() {
  Json j;
  j.v_ = JsonObject{};
  return j;
}

std::optional<bool> Json::as_bool() const {
  if (auto* b = std::get_if<bool>(&v_)) return *b;
  return std::nullopt;
}

const std::string* Json::as_string() const { return std::get_if<std::string>(&v_); }

const std::string* Json::as_number_text() const {
  auto* n = std::get_if<Number>(&v_);
  return n ? &n->text : nullptr;
}

const JsonArray* Json::as_array() const { return std::get_if<JsonArray>(&v_); }
JsonArray* Json::as_array() { return std::get_if<JsonArray>(&v_); }
const JsonObject* Json::as_object() const { return std::get_if<JsonObject>(&v_); }
const JsonWords* Json::as_words() const { return std::get_if<JsonWords>(&v_); }

namespace {

// std::string compares through char_traits<char>, which orders bytes as unsigned
// char: exactly the UTF-8 byte order the canonical form requires.
bool key_less(const JsonMember& m, std::string_view key) { return std::string_view(m.key) < key; }

}  // namespace

const Json* Json::find(std::string_view key) const {
  auto* o = as_object();
  if (!o) return nullptr;
  auto it = std::lower_bound(o->begin(), o->end(), key, key_less);
  if (it == o->end() || it->key != key) return nullptr;
  return &it->value;
}

Json& Json::set(std::string key, Json value) {
  if (!is_object()) *this = object();
  auto& o = std::get<JsonObject>(v_);
  auto it = std::lower_bound(o.begin(), o.end(), std::string_view(key), key_less);
  if (it != o.end() && it->key == key) {
    it->value = std::move(value);
    return it->value;
  }
  return o.insert(it, JsonMember{std::move(key), std::move(value)})->value;
}

Json& Json::push(Json value) {
  if (!is_array()) *this = array();
  auto& a = std::get<JsonArray>(v_);
  a.push_back(std::move(value));
  return a.back();
}

std::string dec_u128(U128 v) {
  char buf[40];
  size_t n = 0;
  do {
    buf[n++] = static_cast<char>('0' + static_cast<unsigned>(v % 10));
    v /= 10;
  } while (v != 0);
  return std::string(std::make_reverse_iterator(buf + n), std::make_reverse_iterator(buf));
}

// ---------------------------------------------------------------------------
// The parser: RapidJSON's SAX reader (iterative, so no recursion on deep input)
// feeding our own tree.

namespace {

constexpr unsigned kParseFlags =
    rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseValidateEncodingFlag | rapidjson::kParseIterativeFlag;

// Descriptions of the failures our handler detects itself (RapidJSON reports them
// only as "terminated by handler").
constexpr std::string_view kDescTooDeep = "nesting deeper than 128 levels";
constexpr std::string_view kDescLoneSurrogate = "unicode escape leaves a lone surrogate";
constexpr std::string_view kDescTooLarge = "document larger than 4 GiB";
static_assert(kMaxJsonDepth == 128, "keep kDescTooDeep in step with the limit");

// True when the bytes hold a UTF-16 surrogate (U+D800..U+DFFF) in UTF-8 form. The
// reader validates raw input bytes, but a lone low surrogate written as a \u
// escape reaches the handler encoded this way.
bool has_surrogate(const char* s, size_t n) {
  for (size_t i = 0; i + 1 < n; ++i)
    if (static_cast<uint8_t>(s[i]) == 0xED && static_cast<uint8_t>(s[i + 1]) >= 0xA0) return true;
  return false;
}

// A number token of the input: where it stands and whether the second parsing
// pass hides it behind a placeholder of the same length.
struct NumberToken {
  size_t pos;
  size_t len;
  bool hidden;
};

}  // namespace

class JsonTreeBuilder : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, JsonTreeBuilder> {
 public:
  enum class Abort : uint8_t { None, TooDeep, LoneSurrogate };

  // `original` and `tokens` are set for the second pass only (see parse_json);
  // `words` (or nullptr) names the arrays read straight into words.
  JsonTreeBuilder(std::string_view original, const std::vector<NumberToken>* tokens, const JsonWordArrays* words)
      : original_(original), tokens_(tokens), words_(words) {}

  bool Null() { return add(Json()); }
  bool Bool(bool b) { return add(Json::boolean(b)); }
  bool RawNumber(const char* s, rapidjson::SizeType n, bool) {
    if (tokens_ && next_token_ < tokens_->size()) {
      const NumberToken& t = (*tokens_)[next_token_++];
      if (t.hidden) return add(Json::number_text(std::string(original_.substr(t.pos, t.len))));
    }
    return add(Json::number_text(std::string(s, n)));
  }
  bool String(const char* s, rapidjson::SizeType n, bool) {
    if (has_surrogate(s, n)) return fail(Abort::LoneSurrogate);
    // An element of a word array is decoded in place, never held as a string.
    if (JsonWords* w = open_words(); w && w->refused.empty()) {
      W word;
      if (words_->decode(std::string_view(s, n), word)) {
        w->words.push_back(word);
        return true;
      }
    }
    return add(Json::string(std::string(s, n)));
  }
  bool Key(const char* s, rapidjson::SizeType n, bool) {
    if (has_surrogate(s, n)) return fail(Abort::LoneSurrogate);
    keys_.back().assign(s, n);
    return true;
  }
  bool StartObject() { return open(Json::object()); }
  bool StartArray() {
    if (!at_word_path()) return open(Json::array());
    Json w;
    w.v_ = JsonWords{};
    return open(std::move(w));
  }
  bool EndObject(rapidjson::SizeType) {
    Json obj = std::move(open_.back());
    open_.pop_back();
    keys_.pop_back();
    // Members were appended in input order. A stable sort keeps repeated keys in
    // input order, so the last of each run is the last one written; keep that one.
    auto& m = std::get<JsonObject>(obj.v_);
    std::stable_sort(m.begin(), m.end(), [](const JsonMember& a, const JsonMember& b) { return a.key < b.key; });
    size_t out = 0;
    for (size_t i = 0; i < m.size(); ++i) {
      if (i + 1 < m.size() && m[i + 1].key == m[i].key) continue;
      if (out != i) m[out] = std::move(m[i]);
      ++out;
    }
    m.erase(m.begin() + static_cast<std::ptrdiff_t>(out), m.end());
    return add(std::move(obj));
  }
  bool EndArray(rapidjson::SizeType) {
    Json arr = std::move(open_.back());
    open_.pop_back();
    keys_.pop_back();
    return add(std::move(arr));
  }

  Abort abort() const { return abort_; }
  Json take_root() { return std::move(root_); }

 private:
  bool fail(Abort a) {
    abort_ = a;
    return false;
  }
  bool open(Json container) {
    if (open_.size() >= kMaxJsonDepth) return fail(Abort::TooDeep);
    open_.push_back(std::move(container));
    keys_.emplace_back();
    return true;
  }
  // The innermost open container when it is a word array.
  JsonWords* open_words() { return open_.empty() ? nullptr : std::get_if<JsonWords>(&open_.back().v_); }
  // Whether an array starting now is the value of one of the word paths: every open
  // container an object, and their pending keys the path.
  bool at_word_path() const {
    if (!words_) return false;
    for (const std::span<const std::string_view> path : words_->paths) {
      if (path.size() != open_.size()) continue;
      bool match = true;
      for (size_t i = 0; match && i < path.size(); ++i)
        match = open_[i].is_object() && keys_[i] == path[i];
      if (match) return true;
    }
    return false;
  }
  bool add(Json v) {
    if (open_.empty()) {
      root_ = std::move(v);
      return true;
    }
    Json& top = open_.back();
    if (auto* w = std::get_if<JsonWords>(&top.v_)) {
      // Reaches here only for an element the decoder refused (or one after it): the
      // first is kept, the rest are read (the text must still be valid) and dropped.
      if (w->refused.empty()) w->refused.push_back(std::move(v));
      return true;
    }
    if (auto* a = std::get_if<JsonArray>(&top.v_)) {
      a->push_back(std::move(v));
    } else {
      std::get<JsonObject>(top.v_).push_back(JsonMember{std::move(keys_.back()), std::move(v)});
    }
    return true;
  }

  std::string_view original_;
  const std::vector<NumberToken>* tokens_;
  const JsonWordArrays* words_;
  size_t next_token_ = 0;
  std::vector<Json> open_;         // containers being filled, outermost first
  std::vector<std::string> keys_;  // the pending member key of each open container
  Json root_;
  Abort abort_ = Abort::None;
};

namespace {

// RapidJSON's English text, first letter lower-cased and final period dropped,
// then " at byte N".
std::string describe(std::string_view what, size_t offset) {
  std::string d(what);
  if (!d.empty() && d.back() == '.') d.pop_back();
  if (!d.empty()) d[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(d[0])));
  d += " at byte ";
  d += std::to_string(offset);
  return d;
}

struct PassResult {
  bool ok;
  std::string description;
  rapidjson::ParseErrorCode code = rapidjson::kParseErrorNone;
};

PassResult run_pass(std::string_view text, JsonTreeBuilder& builder) {
  rapidjson::MemoryStream ms(text.data(), text.size());
  rapidjson::GenericReader<rapidjson::UTF8<>, rapidjson::UTF8<>> reader;
  rapidjson::ParseResult r = reader.Parse<kParseFlags>(ms, builder);
  if (!r) {
    if (r.Code() == rapidjson::kParseErrorTermination) {
      std::string_view what = builder.abort() == JsonTreeBuilder::Abort::TooDeep ? kDescTooDeep : kDescLoneSurrogate;
      return {false, describe(what, r.Offset())};
    }
    return {false, describe(rapidjson::GetParseError_En(r.Code()), r.Offset()), r.Code()};
  }
  // The memory stream reports a NUL byte as the end of input, so "[1]\0junk" would
  // pass as "[1]". Everything must have been consumed.
  if (ms.Tell() != text.size())
    return {false, describe(rapidjson::GetParseError_En(rapidjson::kParseErrorDocumentRootNotSingular), ms.Tell())};
  return {true, {}};
}

// JSON number grammar: -? (0 | [1-9][0-9]*) (. [0-9]+)? ([eE] [+-]? [0-9]+)?
bool is_json_number(std::string_view s) {
  size_t i = 0, n = s.size();
  auto digit = [&](size_t k) { return k < n && s[k] >= '0' && s[k] <= '9'; };
  if (i < n && s[i] == '-') ++i;
  if (!digit(i)) return false;
  if (s[i] == '0') {
    ++i;
  } else {
    while (digit(i)) ++i;
  }
  if (i < n && s[i] == '.') {
    ++i;
    if (!digit(i)) return false;
    while (digit(i)) ++i;
  }
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    if (!digit(i)) return false;
    while (digit(i)) ++i;
  }
  return i == n;
}

// Finds the number tokens outside strings, in input order, and hides each valid one
// of three or more characters in `patched` behind "0.000…" of the same length.
// Until the reader's first error it meets exactly these tokens in this order, and
// byte positions are unchanged.
std::vector<NumberToken> hide_numbers(std::string_view text, std::string& patched) {
  std::vector<NumberToken> tokens;
  patched.assign(text);
  bool in_string = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (in_string) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        in_string = false;
      continue;
    }
    if (c == '"') {
      in_string = true;
      continue;
    }
    if (c != '-' && !(c >= '0' && c <= '9')) continue;
    size_t j = i;
    while (j < text.size() && std::string_view("0123456789+-.eE").find(text[j]) != std::string_view::npos) ++j;
    NumberToken t{i, j - i, false};
    if (t.len >= 3 && is_json_number(text.substr(i, t.len))) {
      t.hidden = true;
      patched[i] = '0';
      patched[i + 1] = '.';
      for (size_t k = i + 2; k < j; ++k) patched[k] = '0';
    }
    tokens.push_back(t);
    i = j - 1;
  }
  return tokens;
}

}  // namespace

namespace {

Result<Json> parse_with(std::string_view text, const JsonWordArrays* words) {
  // The reader counts lengths in 32 bits.
  if (text.size() >= std::numeric_limits<uint32_t>::max()) return IdError{describe(kDescTooLarge, 0)};
  {
    JsonTreeBuilder builder({}, nullptr, words);
    PassResult r = run_pass(text, builder);
    if (r.ok) return builder.take_root();
    // The reader refuses numbers beyond the double range ("1e400", integers of
    // more than about 308 digits) even when it keeps their text, yet such a number
    // is valid JSON and an integer of any length is a canonical value. Parse again
    // with every number hidden behind a harmless placeholder of the same length and
    // put the original texts back in the tree.
    if (r.code != rapidjson::kParseErrorNumberTooBig) return IdError{r.description};
  }
  std::string patched;
  std::vector<NumberToken> tokens = hide_numbers(text, patched);
  JsonTreeBuilder builder(text, &tokens, words);
  PassResult r = run_pass(patched, builder);
  if (!r.ok) return IdError{r.description};
  return builder.take_root();
}

}  // namespace

Result<Json> parse_json(std::string_view text) { return parse_with(text, nullptr); }

Result<Json> parse_json(std::string_view text, const JsonWordArrays& words) { return parse_with(text, &words); }

}  // namespace vorn::wallet
