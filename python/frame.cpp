// The binding frame's Python side: the generic argument adapter, the conversions of
// Python objects to and from `Value`, the error mapping, and module creation.
//
// Built against the stable ABI (Py_LIMITED_API 3.10): every C API call used here is
// in the limited API, so one wheel serves every CPython from 3.10 on.
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "frame.h"
#include "modules.h"

namespace vorn::frame {



// ---------------------------------------------------------------------------
// Registry of rows

static std::vector<FnDef>& fn_registry() {
  static std::vector<FnDef> rows;
  return rows;
}
static std::vector<ConstDef>& const_registry() {
  static std::vector<ConstDef> rows;
  return rows;
}
Register::Register(FnDef def) {
  for (int first = 1; first >= 0; --first)
    for (size_t j = 0; j < def.params.size(); ++j)
      if (def.params[j].first == static_cast<bool>(first)) def.order.push_back(static_cast<uint8_t>(j));
  if (!def.body.fits(def.params))
    def.problem = std::string("vorn: ") + def.name + ": the row's shapes do not fit its function's parameters";
  fn_registry().push_back(std::move(def));
}
RegisterConst::RegisterConst(ConstDef def) { const_registry().push_back(def); }

// ---------------------------------------------------------------------------
// Body-side conversions

const char* const kWordOutOfRange = "word out of range (>= 2^256)";

Result<W> arg_w(const Value& v) {
  if (v.wide) return IdError{kWordOutOfRange};
  return v.word;
}

Result<std::vector<W>> arg_w_list(Value& v) {
  if (v.wide) return IdError{kWordOutOfRange};
  return std::move(v.words);
}

Result<G1Words> arg_g1(const Value& v) {
  VORN_TRY(const W x, arg_w(v.items[0]));
  VORN_TRY(const W y, arg_w(v.items[1]));
  return G1Words{x, y};
}
Result<G2Words> arg_g2(const Value& v) {
  VORN_TRY(const G1Words a, arg_g1(v.items[0]));
  VORN_TRY(const G1Words b, arg_g1(v.items[1]));
  return G2Words{a[0], a[1], b[0], b[1]};
}
Result<CtWords> arg_ct(const Value& v) {
  VORN_TRY(const G1Words r, arg_g1(v.items[0]));
  VORN_TRY(const G1Words c, arg_g1(v.items[1]));
  return CtWords{r, c};
}

Value g1_value(const G1Words& p) { return Value::tuple({Value::integer(p[0]), Value::integer(p[1])}); }
Value g2_value(const G2Words& p) { return Value::tuple({g1_value({p[0], p[1]}), g1_value({p[2], p[3]})}); }
Value ct_value(const CtWords& e) { return Value::tuple({g1_value(e.r), g1_value(e.c)}); }

// ---------------------------------------------------------------------------
// Python helpers

namespace {

// Owned reference; releases on scope exit.
struct Ref {
  PyObject* p = nullptr;
  Ref() = default;
  explicit Ref(PyObject* o) : p(o) {}
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() { Py_XDECREF(p); }
  PyObject* get() const { return p; }
  PyObject* release() { PyObject* o = p; p = nullptr; return o; }
  explicit operator bool() const { return p != nullptr; }
};

// Interned objects used by the integer conversions; created once, never freed.
struct Cache {
  PyObject* zero;
  PyObject* n32;
  PyObject* big;
  PyObject* to_bytes;
  PyObject* from_bytes;  // int.from_bytes, bound to the int type
  PyObject* panic;       // the panic class
};

Cache* g_cache = nullptr;

// The panic class is defined in Python, in the package `vorn` installed beside the
// modules, so that callers can name it (`except vorn.PanicException`). It must derive
// from BaseException and not from Exception; anything else fails the import.
PyObject* panic_class() {
  Ref pkg(PyImport_ImportModule("vorn"));
  if (!pkg) return nullptr;
  PyObject* cls = PyObject_GetAttrString(pkg.get(), "PanicException");
  if (!cls) return nullptr;
  if (!PyType_Check(cls) ||
      PyObject_IsSubclass(cls, PyExc_BaseException) != 1 || PyObject_IsSubclass(cls, PyExc_Exception) != 0) {
    Py_DECREF(cls);
    PyErr_Clear();
    PyErr_SetString(PyExc_ImportError, "vorn.PanicException must derive from BaseException and not from Exception");
    return nullptr;
  }
  return cls;
}

// ---- integer conversion at the boundary ----
//
// A 256-bit int crosses the boundary on every call, so its conversion is chosen once,
// when the first module is created, by the interpreter the modules run in:
// - 3.13 and later: PyLong_AsNativeBytes / PyLong_FromUnsignedNativeBytes, the public
//   byte conversions (stable ABI from 3.14);
// - 3.10 to 3.12: _PyLong_AsByteArray / _PyLong_FromByteArray, the conversions every
//   one of these interpreters exports with this exact signature (it changed in 3.13);
// - otherwise, or when a symbol is missing: the int methods to_bytes / from_bytes,
//   called through cached objects.
// The functions are looked up in the running interpreter, so the modules stay built
// against the stable ABI and load in every interpreter from 3.10 on. Every form gives
// the same words and the same errors; the tests run the modules under each
// interpreter found on the machine.
using AsNativeBytes = Py_ssize_t (*)(PyObject*, void*, Py_ssize_t, int);
using FromUnsignedNativeBytes = PyObject* (*)(const void*, size_t, int);
using AsByteArray = int (*)(PyObject*, unsigned char*, size_t, int, int);
using FromByteArray = PyObject* (*)(const unsigned char*, size_t, int, int);

enum class IntPath : uint8_t { Methods, ByteArray, NativeBytes };
struct IntCodec {
  IntPath path = IntPath::Methods;
  AsNativeBytes as_native = nullptr;
  FromUnsignedNativeBytes from_native = nullptr;
  AsByteArray as_array = nullptr;
  FromByteArray from_array = nullptr;
};
IntCodec g_int;

void choose_int_codec() {
  int major = 0, minor = 0;
  if (std::sscanf(Py_GetVersion(), "%d.%d", &major, &minor) != 2) return;
  void* self = dlopen(nullptr, RTLD_LAZY);
  auto find = [&](const char* name) { return self ? dlsym(self, name) : nullptr; };
  if (major == 3 && minor >= 13) {
    g_int.as_native = reinterpret_cast<AsNativeBytes>(find("PyLong_AsNativeBytes"));
    g_int.from_native = reinterpret_cast<FromUnsignedNativeBytes>(find("PyLong_FromUnsignedNativeBytes"));
    if (g_int.as_native && g_int.from_native) g_int.path = IntPath::NativeBytes;
  } else if (major == 3 && minor >= 10) {
    g_int.as_array = reinterpret_cast<AsByteArray>(find("_PyLong_AsByteArray"));
    g_int.from_array = reinterpret_cast<FromByteArray>(find("_PyLong_FromByteArray"));
    if (g_int.as_array && g_int.from_array) g_int.path = IntPath::ByteArray;
  }
  if (self) dlclose(self);
}

bool init_cache() {
  if (g_cache) return true;
  auto* c = new Cache{};
  c->zero = PyLong_FromLong(0);
  c->n32 = PyLong_FromLong(32);
  c->big = PyUnicode_InternFromString("big");
  c->to_bytes = PyUnicode_InternFromString("to_bytes");
  c->from_bytes = PyObject_GetAttrString(reinterpret_cast<PyObject*>(&PyLong_Type), "from_bytes");
  c->panic = panic_class();
  if (!c->zero || !c->n32 || !c->big || !c->to_bytes || !c->from_bytes || !c->panic) {
    delete c;
    return false;
  }
  choose_int_codec();
  g_cache = c;
  return true;
}

std::string type_name(PyObject* o) {
  Ref name(PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(o)), "__name__"));
  if (name && PyUnicode_Check(name.get())) {
    Py_ssize_t n = 0;
    const char* s = PyUnicode_AsUTF8AndSize(name.get(), &n);
    if (s) return std::string(s, static_cast<size_t>(n));
  }
  PyErr_Clear();
  return "object";
}

bool type_error_cannot_convert(PyObject* o, const char* target) {
  std::string msg = "'" + type_name(o) + "' object cannot be converted to '" + target + "'";
  PyErr_SetString(PyExc_TypeError, msg.c_str());
  return false;
}

// ---- Python -> Value ----

bool refuse_negative() {
  PyErr_SetString(PyExc_OverflowError, "can't convert negative int to unsigned");
  return false;
}

// A positive int of 2^63 or more as its big-endian word, through the chosen form.
// Returns 1 (written), 0 (2^256 or more, nothing set) or -1 (error set).
int word_of_large(PyObject* idx, W& out) {
  switch (g_int.path) {
    case IntPath::NativeBytes: {
      constexpr int kBigEndianUnsigned = 0 /* big endian */ | 4 /* unsigned buffer */;
      Py_ssize_t need = g_int.as_native(idx, out.data(), 32, kBigEndianUnsigned);
      if (need < 0) return -1;
      return need <= 32 ? 1 : 0;
    }
    case IntPath::ByteArray:
      if (g_int.as_array(idx, out.b.data(), 32, /*little_endian=*/0, /*is_signed=*/0) == 0) return 1;
      if (!PyErr_ExceptionMatches(PyExc_OverflowError)) return -1;
      PyErr_Clear();
      return 0;
    case IntPath::Methods:
      break;
  }
  Ref bytes(PyObject_CallMethodObjArgs(idx, g_cache->to_bytes, g_cache->n32, g_cache->big, nullptr));
  if (!bytes) {
    if (!PyErr_ExceptionMatches(PyExc_OverflowError)) return -1;
    PyErr_Clear();
    return 0;
  }
  char* data = nullptr;
  Py_ssize_t len = 0;
  if (PyBytes_AsStringAndSize(bytes.get(), &data, &len) < 0) return -1;
  if (len != 32) {
    PyErr_SetString(PyExc_SystemError, "vorn: int.to_bytes gave another length");
    return -1;
  }
  std::memcpy(out.data(), data, 32);
  return 1;
}

// An int (index protocol) as a word; `wide` is set instead when it is 2^256 or more
// (the body raises the word-range message).
bool to_word(PyObject* o, W& out, bool& wide) {
  Ref idx(PyNumber_Index(o));
  if (!idx) return false;
  // The sign and the size in one test that raises nothing: below 2^63 the value is
  // the word; a negative value is refused as the interpreter's conversion to unsigned
  // refuses it; anything larger takes the byte conversion.
  int overflow = 0;
  long long small = PyLong_AsLongLongAndOverflow(idx.get(), &overflow);
  if (overflow == 0) {
    if (small == -1 && PyErr_Occurred()) return false;
    if (small < 0) return refuse_negative();
    out = W::from_u64(static_cast<uint64_t>(small));
    return true;
  }
  if (overflow < 0) return refuse_negative();
  int r = word_of_large(idx.get(), out);
  if (r < 0) return false;
  if (r == 0) {
    out = W{};
    wide = true;
  }
  return true;
}

bool to_int(PyObject* o, Value& out) {
  out.kind = Value::Kind::Int;
  return to_word(o, out.word, out.wide);
}

bool to_small(PyObject* o, Shape::Kind kind, Value& out) {
  Ref idx(PyNumber_Index(o));
  if (!idx) return false;
  if (kind == Shape::Kind::I64) {
    long long v = PyLong_AsLongLong(idx.get());
    if (v == -1 && PyErr_Occurred()) return false;
    out.kind = Value::Kind::I64;
    out.i = v;
    return true;
  }
  unsigned long long v = PyLong_AsUnsignedLongLong(idx.get());
  if (v == static_cast<unsigned long long>(-1) && PyErr_Occurred()) return false;
  unsigned long long limit = kind == Shape::Kind::U8 ? 0xffull : kind == Shape::Kind::U32 ? 0xffffffffull : ~0ull;
  if (v > limit) {
    PyErr_SetString(PyExc_OverflowError, "out of range integral type conversion attempted");
    return false;
  }
  out.kind = Value::Kind::U64;
  out.u = v;
  return true;
}

// The tuple-length message of the argument layer.
void raise_tuple_length(size_t expected, Py_ssize_t got) {
  std::string msg = "expected tuple of length " + std::to_string(expected) + ", but got tuple of length " +
                    std::to_string(got);
  PyErr_SetString(PyExc_ValueError, msg.c_str());
}

bool to_value(PyObject* o, const Shape* s, Value& out);

bool to_tuple(PyObject* o, const Shape* s, Value& out) {
  if (!PyTuple_Check(o)) return type_error_cannot_convert(o, "PyTuple");
  Py_ssize_t n = PyTuple_Size(o);
  if (n != static_cast<Py_ssize_t>(s->n)) {
    raise_tuple_length(s->n, n);
    return false;
  }
  out.kind = Value::Kind::Tuple;
  out.items.resize(static_cast<size_t>(n));
  for (Py_ssize_t i = 0; i < n; ++i)
    if (!to_value(PyTuple_GetItem(o, i), s->items[static_cast<size_t>(i)], out.items[static_cast<size_t>(i)]))
      return false;
  return true;
}

// The number of ints in an element of shape `s` when it is made of ints only (an
// int, a point, a pair of points), else 0.
size_t int_leaves(const Shape* s) {
  if (s->kind == Shape::Kind::Int) return 1;
  if (s->kind != Shape::Kind::Tuple) return 0;
  size_t n = 0;
  for (size_t i = 0; i < s->n; ++i) {
    size_t k = int_leaves(s->items[i]);
    if (k == 0) return 0;
    n += k;
  }
  return n;
}

// An element made of ints, appended to `out` as words with the checks and messages
// of to_int and to_tuple, in the same order.
bool to_words(PyObject* o, const Shape* s, std::vector<W>& out, bool& wide) {
  if (s->kind == Shape::Kind::Int) {
    out.emplace_back();
    return to_word(o, out.back(), wide);
  }
  if (!PyTuple_Check(o)) return type_error_cannot_convert(o, "PyTuple");
  Py_ssize_t n = PyTuple_Size(o);
  if (n != static_cast<Py_ssize_t>(s->n)) {
    raise_tuple_length(s->n, n);
    return false;
  }
  for (Py_ssize_t i = 0; i < n; ++i)
    if (!to_words(PyTuple_GetItem(o, i), s->items[static_cast<size_t>(i)], out, wide)) return false;
  return true;
}

// A sequence's length is only a hint: it may be wrong either way, or change while the
// sequence is read. Storage is reserved at most this many elements ahead of what was
// read; beyond it the store grows with the elements actually read.
constexpr size_t kSeqReserveAhead = 1024;
// One sequence may not hold more than 2^24 elements nor more than 512 MiB once
// converted: past either bound the call raises MemoryError, long before the process's
// memory runs out or an endless sequence has been read for minutes.
constexpr size_t kSeqMaxElems = size_t{1} << 24;
constexpr size_t kSeqMaxBytes = size_t{1} << 29;

bool raise_seq_too_long() {
  PyErr_SetString(PyExc_MemoryError,
                  "sequence argument too long: more than 16777216 elements or 512 MiB once converted");
  return false;
}

bool to_seq(PyObject* o, const Shape* s, Value& out) {
  if (PyUnicode_Check(o)) {
    PyErr_SetString(PyExc_TypeError, "Can't extract `str` to `Vec`");
    return false;
  }
  if (!PySequence_Check(o)) return type_error_cannot_convert(o, "Sequence");
  out.kind = Value::Kind::List;
  const Shape* elem = s->items[0];
  const size_t ints = int_leaves(elem);
  size_t ahead = kSeqReserveAhead;
  Py_ssize_t hint = PySequence_Size(o);
  if (hint < 0) PyErr_Clear();
  else if (static_cast<size_t>(hint) < ahead) ahead = static_cast<size_t>(hint);
  if (ints) out.words.reserve(ahead * ints);
  else if (elem->kind == Shape::Kind::U8) out.s.reserve(ahead);
  else out.items.reserve(ahead);

  const size_t elem_bytes = ints ? ints * sizeof(W) : elem->kind == Shape::Kind::U8 ? 1 : sizeof(Value);
  const size_t max_elems = std::min(kSeqMaxElems, kSeqMaxBytes / elem_bytes);
  size_t count = 0;
  Ref it(PyObject_GetIter(o));
  if (!it) return false;
  while (PyObject* item = PyIter_Next(it.get())) {
    Ref owned(item);
    if (++count > max_elems) return raise_seq_too_long();
    if (ints) {
      if (!to_words(item, elem, out.words, out.wide)) return false;
    } else if (elem->kind == Shape::Kind::U8) {
      Value v;
      if (!to_value(item, elem, v)) return false;
      out.s.push_back(static_cast<char>(v.u));
    } else {
      out.items.emplace_back();
      if (!to_value(item, elem, out.items.back())) return false;
    }
  }
  return !PyErr_Occurred();
}

bool to_value(PyObject* o, const Shape* s, Value& out) {
  switch (s->kind) {
    case Shape::Kind::Int:
      return to_int(o, out);
    case Shape::Kind::Bytes: {
      if (!PyBytes_Check(o)) return type_error_cannot_convert(o, "PyBytes");
      char* data = nullptr;
      Py_ssize_t len = 0;
      if (PyBytes_AsStringAndSize(o, &data, &len) < 0) return false;
      out.kind = Value::Kind::Bytes;
      out.view = std::string_view(data, static_cast<size_t>(len));
      return true;
    }
    case Shape::Kind::Text: {
      if (!PyUnicode_Check(o)) return type_error_cannot_convert(o, "PyString");
      Py_ssize_t len = 0;
      const char* data = PyUnicode_AsUTF8AndSize(o, &len);
      if (!data) return false;
      out.kind = Value::Kind::Text;
      out.view = std::string_view(data, static_cast<size_t>(len));
      return true;
    }
    case Shape::Kind::U8:
    case Shape::Kind::U32:
    case Shape::Kind::U64:
    case Shape::Kind::I64:
      return to_small(o, s->kind, out);
    case Shape::Kind::F64: {
      double d = PyFloat_AsDouble(o);
      if (d == -1.0 && PyErr_Occurred()) return false;
      out.kind = Value::Kind::F64;
      out.f = d;
      return true;
    }
    case Shape::Kind::Bool:
      if (!PyBool_Check(o)) return type_error_cannot_convert(o, "PyBool");
      out.kind = Value::Kind::Bool;
      out.b = (o == Py_True);
      return true;
    case Shape::Kind::Tuple:
      return to_tuple(o, s, out);
    case Shape::Kind::Seq:
      return to_seq(o, s, out);
  }
  return false;
}

// ---- Value -> Python ----

PyObject* int_from_word(const W& w) {
  bool small = true;
  for (int i = 0; i < 24; ++i) small &= (w.b[i] == 0);
  if (small) {
    unsigned long long v = 0;
    for (int i = 24; i < 32; ++i) v = v << 8 | w.b[i];
    return PyLong_FromUnsignedLongLong(v);
  }
  switch (g_int.path) {
    case IntPath::NativeBytes:
      return g_int.from_native(w.data(), 32, /*big endian*/ 0);
    case IntPath::ByteArray:
      return g_int.from_array(w.data(), 32, /*little_endian=*/0, /*is_signed=*/0);
    case IntPath::Methods:
      break;
  }
  Ref bytes(PyBytes_FromStringAndSize(reinterpret_cast<const char*>(w.data()), 32));
  if (!bytes) return nullptr;
  return PyObject_CallFunctionObjArgs(g_cache->from_bytes, bytes.get(), g_cache->big, nullptr);
}

PyObject* to_python(const Value& v) {
  switch (v.kind) {
    case Value::Kind::Int:
      return int_from_word(v.word);
    case Value::Kind::Bytes:
      return PyBytes_FromStringAndSize(v.str().data(), static_cast<Py_ssize_t>(v.str().size()));
    case Value::Kind::Text:
      return PyUnicode_FromStringAndSize(v.str().data(), static_cast<Py_ssize_t>(v.str().size()));
    case Value::Kind::U64:
      return PyLong_FromUnsignedLongLong(v.u);
    case Value::Kind::I64:
      return PyLong_FromLongLong(v.i);
    case Value::Kind::F64:
      return PyFloat_FromDouble(v.f);
    case Value::Kind::Bool: {
      PyObject* r = v.b ? Py_True : Py_False;
      Py_INCREF(r);
      return r;
    }
    case Value::Kind::Tuple:
    case Value::Kind::List: {
      Ref t(PyTuple_New(static_cast<Py_ssize_t>(v.items.size())));
      if (!t) return nullptr;
      for (size_t i = 0; i < v.items.size(); ++i) {
        PyObject* item = to_python(v.items[i]);
        if (!item) return nullptr;
        PyTuple_SetItem(t.get(), static_cast<Py_ssize_t>(i), item);  // steals item
      }
      return t.release();
    }
  }
  PyErr_SetString(PyExc_SystemError, "vorn: unknown result kind");
  return nullptr;
}

PyObject* raise_error(const IdError& e) {
  if (e.panic) {
    Ref msg(PyUnicode_FromStringAndSize(e.msg.data(), static_cast<Py_ssize_t>(e.msg.size())));
    if (msg) PyErr_SetObject(g_cache->panic, msg.get());
    return nullptr;
  }
  Ref msg(PyUnicode_FromStringAndSize(e.msg.data(), static_cast<Py_ssize_t>(e.msg.size())));
  if (msg) PyErr_SetObject(PyExc_ValueError, msg.get());
  return nullptr;
}

// Re-raises a TypeError from converting `name` with the "argument '<name>': " prefix.
void prefix_type_error(const char* name) {
  if (!PyErr_ExceptionMatches(PyExc_TypeError)) return;
  PyObject *type = nullptr, *value = nullptr, *tb = nullptr;
  PyErr_Fetch(&type, &value, &tb);
  std::string text;
  if (value) {
    Ref s(PyObject_Str(value));
    if (s) {
      Py_ssize_t n = 0;
      const char* p = PyUnicode_AsUTF8AndSize(s.get(), &n);
      if (p) text.assign(p, static_cast<size_t>(n));
    }
    PyErr_Clear();
  }
  Py_XDECREF(type);
  Py_XDECREF(value);
  Py_XDECREF(tb);
  std::string msg = std::string("argument '") + name + "': " + text;
  PyErr_SetString(PyExc_TypeError, msg.c_str());
}

// ---- the generic adapter ----

PyObject* call_fn(const FnDef& def, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const size_t np = def.params.size();
  std::vector<PyObject*> slots(np, nullptr);
  if (static_cast<size_t>(nargs) > np) {
    std::string msg = std::string(def.name) + "() takes " + std::to_string(np) + " positional argument" +
                      (np == 1 ? "" : "s") + " but " + std::to_string(nargs) + (nargs == 1 ? " was" : " were") +
                      " given";
    PyErr_SetString(PyExc_TypeError, msg.c_str());
    return nullptr;
  }
  for (Py_ssize_t i = 0; i < nargs; ++i) slots[static_cast<size_t>(i)] = args[i];
  if (kwnames) {
    Py_ssize_t nk = PyTuple_Size(kwnames);
    for (Py_ssize_t k = 0; k < nk; ++k) {
      // Names are compared as str objects, so a name that has no UTF-8 form (a lone
      // surrogate) or holds a NUL is simply unknown, and the message shows it whole.
      PyObject* key = PyTuple_GetItem(kwnames, k);
      size_t j = 0;
      while (j < np && PyUnicode_CompareWithASCIIString(key, def.params[j].name) != 0) ++j;
      if (j == np) {
        Ref msg(PyUnicode_FromFormat("%s() got an unexpected keyword argument '%U'", def.name, key));
        if (msg) PyErr_SetObject(PyExc_TypeError, msg.get());
        return nullptr;
      }
      if (slots[j]) {
        std::string msg = std::string(def.name) + "() got multiple values for argument '" + def.params[j].name + "'";
        PyErr_SetString(PyExc_TypeError, msg.c_str());
        return nullptr;
      }
      slots[j] = args[nargs + k];
    }
  }
  std::vector<std::string> missing;
  for (size_t j = 0; j < np; ++j)
    if (!slots[j] && !def.params[j].default_text) missing.push_back(std::string("'") + def.params[j].name + "'");
  if (!missing.empty()) {
    std::string list;
    for (size_t i = 0; i < missing.size(); ++i) {
      if (i) list += (i + 1 == missing.size()) ? (missing.size() > 2 ? ", and " : " and ") : ", ";
      list += missing[i];
    }
    std::string msg = std::string(def.name) + "() missing " + std::to_string(missing.size()) + " required argument" +
                      (missing.size() == 1 ? "" : "s") + ": " + list;
    PyErr_SetString(PyExc_TypeError, msg.c_str());
    return nullptr;
  }

  Args values(np);
  for (size_t j = 0; j < np; ++j) {
    if (!slots[j]) {
      values[j] = def.params[j].default_value;
      continue;
    }
    if (!to_value(slots[j], def.params[j].shape, values[j])) {
      prefix_type_error(def.params[j].name);
      return nullptr;
    }
  }
  Result<Value> r = def.body.call(values, def.order);
  if (!r.ok()) return raise_error(r.error());
  return to_python(r.value());
}

// Every exported function gets its own C entry point (a template instance), so that
// `__self__` stays the module, as for any builtin. The slot table maps the entry
// point's index to its row.
constexpr size_t kMaxFns = 96;
const FnDef* g_slots[kMaxFns];
size_t g_used = 0;

// No C++ exception crosses into the interpreter: an allocation failure anywhere in a
// call (conversion, body, result) becomes MemoryError, any other exception the panic
// class with its text. Owned references are released by their destructors on the
// way out, so nothing leaks.
template <typename F>
PyObject* guarded(F&& f) {
  try {
    return f();
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& e) {
    PyErr_SetString(g_cache ? g_cache->panic : PyExc_SystemError, e.what());
  } catch (...) {
    PyErr_SetString(g_cache ? g_cache->panic : PyExc_SystemError, "unknown C++ exception");
  }
  return nullptr;
}

template <size_t I>
PyObject* entry_fast(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return guarded([&] { return call_fn(*g_slots[I], args, nargs, kwnames); });
}
template <size_t I>
PyObject* entry_noargs(PyObject*, PyObject*) {
  return guarded([&]() -> PyObject* {
    Args none;
    Result<Value> r = g_slots[I]->body.call(none, {});
    if (!r.ok()) return raise_error(r.error());
    return to_python(r.value());
  });
}

template <size_t... I>
std::array<PyCFunction, sizeof...(I)> make_fast(std::index_sequence<I...>) {
  return {reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(&entry_fast<I>))...};
}
template <size_t... I>
std::array<PyCFunction, sizeof...(I)> make_noargs(std::index_sequence<I...>) {
  return {&entry_noargs<I>...};
}
const auto kFastEntries = make_fast(std::make_index_sequence<kMaxFns>{});
const auto kNoargEntries = make_noargs(std::make_index_sequence<kMaxFns>{});

std::string signature_line(const FnDef& def) {
  std::string s = std::string(def.name) + "(";
  for (size_t j = 0; j < def.params.size(); ++j) {
    if (j) s += ", ";
    s += def.params[j].name;
    if (def.params[j].default_text) s += std::string("=") + def.params[j].default_text;
  }
  s += ")\n--\n\n";
  s += def.doc ? def.doc : "";
  return s;
}

const FnDef* find_fn(const char* module, const char* name) {
  for (const FnDef& d : fn_registry())
    if (std::strcmp(d.module, module) == 0 && std::strcmp(d.name, name) == 0) return &d;
  return nullptr;
}
const ConstDef* find_const(const char* module, const char* name) {
  for (const ConstDef& d : const_registry())
    if (std::strcmp(d.module, module) == 0 && std::strcmp(d.name, name) == 0) return &d;
  return nullptr;
}

struct ModuleState {
  PyModuleDef def;
  std::vector<std::string> docs;
};

int64_t g_interp_id = -1;

bool add_function(PyObject* module, const FnDef& def, ModuleState& st) {
  if (!def.problem.empty()) {
    PyErr_SetString(PyExc_SystemError, def.problem.c_str());
    return false;
  }
  if (g_used >= kMaxFns) {
    PyErr_SetString(PyExc_SystemError, "vorn: too many exported functions");
    return false;
  }
  size_t slot = g_used++;
  g_slots[slot] = &def;
  st.docs.push_back(signature_line(def));
  // The method table must outlive the module: rows are never freed.
  auto* md = new PyMethodDef[2]{};
  md[0].ml_name = def.name;
  md[0].ml_doc = st.docs.back().c_str();
  if (def.noargs) {
    md[0].ml_meth = kNoargEntries[slot];
    md[0].ml_flags = METH_NOARGS;
  } else {
    md[0].ml_meth = kFastEntries[slot];
    md[0].ml_flags = METH_FASTCALL | METH_KEYWORDS;
  }
  return PyModule_AddFunctions(module, md) == 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Module creation

namespace {
PyObject* create_module_unguarded(const char* name, const std::vector<ModuleEntry>& layout);
}

PyObject* create_module(const char* name, const std::vector<ModuleEntry>& layout) {
  return guarded([&] { return create_module_unguarded(name, layout); });
}

namespace {
PyObject* create_module_unguarded(const char* name, const std::vector<ModuleEntry>& layout) {
  // One interpreter per process: the once-built tables and the entry-point slots are
  // process-wide.
  int64_t id = PyInterpreterState_GetID(PyInterpreterState_Get());
  if (g_interp_id == -1) g_interp_id = id;
  if (id != g_interp_id) {
    PyErr_SetString(PyExc_ImportError, "vorn modules cannot be loaded in a sub-interpreter");
    return nullptr;
  }
  if (!init_cache()) return nullptr;

  // Single-phase modules: CPython keeps the first module's dictionary and does not
  // call the entry point again on re-import, so each state is built once.
  auto* state = new ModuleState{};
  state->docs.reserve(kMaxFns);
  state->def = PyModuleDef{PyModuleDef_HEAD_INIT, name, nullptr, -1, nullptr, nullptr, nullptr, nullptr, nullptr};
  Ref module(PyModule_Create(&state->def));
  if (!module) return nullptr;

  for (const ModuleEntry& e : layout) {
    if (e.is_const) {
      const ConstDef* c = find_const(name, e.name);
      if (!c) continue;
      Result<Value> v = c->make();
      if (!v.ok()) return raise_error(v.error());
      PyObject* obj = to_python(v.value());
      if (!obj) return nullptr;
      if (PyModule_AddObject(module.get(), e.name, obj) < 0) {
        Py_DECREF(obj);
        return nullptr;
      }
    } else {
      const FnDef* f = find_fn(name, e.name);
      if (!f) continue;
      if (!add_function(module.get(), *f, *state)) return nullptr;
    }
  }
  return module.release();
}

}  // namespace

}  // namespace vorn::frame
