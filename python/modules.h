// The three module tables: the fixed order in which each module adds its constants
// and functions. Rows are looked up by name in the registry that the bind_*.cpp
// files fill; a name that no file registered yet is left out of the module.
#pragma once

#include <vector>

struct _object;
typedef struct _object PyObject;

namespace vorn::frame {

struct ModuleEntry {
  const char* name;
  bool is_const;
};

/// Creates module `name` from its layout. Returns a new reference or nullptr with
/// the Python error set (any failure while adding an entry aborts the creation).
PyObject* create_module(const char* name, const std::vector<ModuleEntry>& layout);

}  // namespace vorn::frame
