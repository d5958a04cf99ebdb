// The frame every JSON wallet call shares: parse the argument text (reading the
// arrays at `word_paths` straight into words, when the call names any), run the
// call's body on the parsed arguments, and write the object the body returns as
// compact JSON with sorted keys. The body's errors, and parse_args', are the call's.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "vorn/core/result.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/json.h"

namespace vorn::wallet {

/// A call's body: the parsed arguments to the result object.
using CallBody = Result<Json> (*)(const Json& args);

inline Result<std::string> json_call(std::string_view args_json, CallBody body) {
  VORN_TRY(const Json args, parse_args(args_json));
  VORN_TRY(const Json out, body(args));
  return compact_json(out);
}

inline Result<std::string> json_call(std::string_view args_json,
                                     std::span<const std::span<const std::string_view>> word_paths, CallBody body) {
  VORN_TRY(const Json args, parse_args(args_json, word_paths));
  VORN_TRY(const Json out, body(args));
  return compact_json(out);
}

}  // namespace vorn::wallet
