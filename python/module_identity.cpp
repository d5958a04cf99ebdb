// Entry point of the `vorn_identity` extension module. The module's table and the
// binding frame live in the shared vorn_frame library beside it.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

extern "C" PyObject* vorn_frame_create(const char* name);

PyMODINIT_FUNC PyInit_vorn_identity(void) { return vorn_frame_create("vorn_identity"); }
