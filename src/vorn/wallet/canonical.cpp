#include "vorn/wallet/canonical.h"

#include <vector>

namespace vorn::wallet {

bool is_canonical_integer(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '-') digits.remove_prefix(1);
  if (digits.empty()) return false;
  for (char c : digits)
    if (c < '0' || c > '9') return false;
  if (digits.size() > 1 && digits.front() == '0') return false;
  if (digits.size() != text.size() && digits == "0") return false;  // "-0"
  return true;
}

void write_string(std::string_view s, std::string& out) {
  static const char kHex[] = "0123456789abcdef";
  out.push_back('"');
  size_t run = 0;  // start of the pending run of bytes copied unchanged
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x20 && c != '"' && c != '\\') continue;
    out.append(s.data() + run, i - run);
    run = i + 1;
    out.push_back('\\');
    switch (c) {
      case '"': out.push_back('"'); break;
      case '\\': out.push_back('\\'); break;
      case 0x08: out.push_back('b'); break;
      case 0x09: out.push_back('t'); break;
      case 0x0A: out.push_back('n'); break;
      case 0x0C: out.push_back('f'); break;
      case 0x0D: out.push_back('r'); break;
      default:
        out += "u00";
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 15]);
    }
  }
  out.append(s.data() + run, s.size() - run);
  out.push_back('"');
}

namespace {

// Writes one value with an explicit stack of open containers. Returns false (and
// stops) at the first number that fails the check, when checking.
bool write_value(const Json& root, std::string& out, bool check_numbers) {
  struct Frame {
    const Json* node;
    size_t next;
  };
  std::vector<Frame> open;

  // Writes a scalar whole, or the opening bracket of a container (pushing a frame
  // when it has elements).
  auto begin = [&](const Json& v) -> bool {
    switch (v.kind()) {
      case Json::Kind::Null: out += "null"; return true;
      case Json::Kind::Bool: out += *v.as_bool() ? "true" : "false"; return true;
      case Json::Kind::Number: {
        const std::string& t = *v.as_number_text();
        if (check_numbers && !is_canonical_integer(t)) return false;
        out += t;
        return true;
      }
      case Json::Kind::String: write_string(*v.as_string(), out); return true;
      case Json::Kind::Array:
        if (v.as_array()->empty()) {
          out += "[]";
        } else {
          out.push_back('[');
          open.push_back({&v, 0});
        }
        return true;
      case Json::Kind::Words:
        // Word arrays are read by the tree readers only and never written back: the
        // text of their elements is not kept.
        return false;
      case Json::Kind::Object:
        if (v.as_object()->empty()) {
          out += "{}";
        } else {
          out.push_back('{');
          open.push_back({&v, 0});
        }
        return true;
    }
    return true;
  };

  if (!begin(root)) return false;
  while (!open.empty()) {
    Frame& f = open.back();
    const Json* child;
    if (const JsonArray* a = f.node->as_array()) {
      if (f.next == a->size()) {
        out.push_back(']');
        open.pop_back();
        continue;
      }
      if (f.next != 0) out.push_back(',');
      child = &(*a)[f.next++];
    } else {
      const JsonObject& o = *f.node->as_object();
      if (f.next == o.size()) {
        out.push_back('}');
        open.pop_back();
        continue;
      }
      if (f.next != 0) out.push_back(',');
      const JsonMember& m = o[f.next++];
      write_string(m.key, out);
      out.push_back(':');
      child = &m.value;
    }
    // `f` may dangle once `begin` pushes a frame; it is not used below.
    if (!begin(*child)) return false;
  }
  return true;
}

}  // namespace

Status write_canonical(const Json& v, std::string& out) {
  const size_t mark = out.size();
  if (!write_value(v, out, true)) {
    out.resize(mark);
    return IdError{std::string(kCanonicalFloats)};
  }
  return ok_status();
}

Result<std::string> canonical_json_value(const Json& v) {
  std::string out;
  VORN_CHECK(write_canonical(v, out));
  return out;
}

std::string compact_json(const Json& v) {
  std::string out;
  write_value(v, out, false);
  return out;
}

Result<std::string> canonical_json(std::string_view text) {
  Result<Json> v = parse_json(text);
  if (!v) return IdError{std::string(kCanonicalInvalidJson)};
  return canonical_json_value(*v);
}

Result<std::string> canonical_identity_data(std::string_view fields_json) {
  Result<Json> v = parse_json(fields_json);
  if (!v) return IdError{std::string(kIdentityDataInvalidJson)};
  if (!v->is_object()) return IdError{std::string(kIdentityDataNotObject)};
  return canonical_json_value(*v);
}

}  // namespace vorn::wallet
