#include "vorn/wallet/receipts/kinds.h"

namespace vorn::wallet::receipts {

namespace {

const Kind* const kKinds[] = {&kEoaPub, &kEoaPriv, &kNoteA1, &kNoteA2, &kNoteB1};

}  // namespace

const Kind* find_kind(std::string_view name) {
  for (const Kind* k : kKinds)
    if (k->name == name) return k;
  return nullptr;
}

}  // namespace vorn::wallet::receipts
