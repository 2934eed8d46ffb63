/*
 * _Karvelin: the Python face of the library. One thin source for Python 2.7
 * and Python 3: each function parses its argument tuple with its fixed
 * format, calls the library function of the same name, and converts the
 * result by its kind (integer, text, or None).
 *
 * Python 2.7: "s" arguments are the string's own bytes; text results are
 * str; integers are int (PyInt_FromLong).
 * Python 3: a text argument is str (encoded with the system ANSI code page:
 * mbcs on Windows, the filesystem encoding with surrogateescape elsewhere) or
 * bytes (taken as they are); text results are str decoded the same way;
 * integers are int of the signed 32-bit value.
 */
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "Karvelin.h"

#if PY_MAJOR_VERSION >= 3

/* ---- Python 3: text arguments and results in the ANSI code page ---- */

static PyObject *ansi_encode(PyObject *text)
{
#ifdef _WIN32
    return PyUnicode_AsMBCSString(text);
#else
    return PyUnicode_EncodeFSDefault(text);
#endif
}

static PyObject *ansi_decode(const char *text)
{
#ifdef _WIN32
    return PyUnicode_DecodeMBCS(text, (Py_ssize_t)strlen(text), "replace");
#else
    return PyUnicode_DecodeFSDefault(text);
#endif
}

/* A text argument: the encoded bytes object it came from, and its text. */
typedef struct {
    PyObject *owner;
    const char *text;
} TextArg;

/* "O&" converter with clean-up: str or bytes; NUL bytes are refused by the
 * interpreter's own "y" conversion, any other type by its own "s" error. */
static int text_arg_convert(PyObject *object, void *address)
{
    TextArg *arg = (TextArg *)address;
    PyObject *bytes;
    if (object == NULL) { /* clean-up call after a later argument failed */
        Py_CLEAR(arg->owner);
        return 1;
    }
    if (PyUnicode_Check(object)) {
        bytes = ansi_encode(object);
        if (bytes == NULL) return 0;
    } else if (PyBytes_Check(object)) {
        Py_INCREF(object);
        bytes = object;
    } else {
        const char *unused;
        PyArg_Parse(object, "s", &unused); /* raises the interpreter's TypeError */
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, "a text argument must be str or bytes");
        return 0;
    }
    if (!PyArg_Parse(bytes, "y", &arg->text)) {
        Py_DECREF(bytes);
        return 0;
    }
    arg->owner = bytes;
    return Py_CLEANUP_SUPPORTED;
}

#define TEXT_FORMAT "O&"
#define TEXT_ARG(arg) text_arg_convert, &(arg)
#define TEXT_OF(arg) ((arg).text)
#define TEXT_RELEASE(arg) Py_CLEAR((arg).owner)
#define INT_RESULT(value) PyLong_FromLong((long)(int32_t)(value))

#else

/* ---- Python 2.7: the string's own bytes, as the interpreter hands them ---- */

typedef struct {
    const char *text;
} TextArg;

#define TEXT_FORMAT "s"
#define TEXT_ARG(arg) &(arg).text
#define TEXT_OF(arg) ((arg).text)
#define TEXT_RELEASE(arg) ((void)0)
#define INT_RESULT(value) PyInt_FromLong((long)(int32_t)(value))

static PyObject *ansi_decode(const char *text)
{
    return PyString_FromString(text);
}

#endif

/* A library text: a copy as a new string; no text (NULL) gives None. */
static PyObject *text_result(const char *text)
{
    if (text == NULL) Py_RETURN_NONE;
    return ansi_decode(text);
}

/* ---- module functions, in method-table order ---- */

static PyObject *py_CheckOS(PyObject *self, PyObject *args)
{
    (void)self;
    if (!PyArg_ParseTuple(args, ":CheckOS")) return NULL;
    return INT_RESULT(CheckOS());
}

static PyObject *py_CheckIeVersion(PyObject *self, PyObject *args)
{
    (void)self;
    if (!PyArg_ParseTuple(args, ":CheckIeVersion")) return NULL;
    return INT_RESULT(CheckIeVersion());
}

static PyObject *py_FindServerVersion(PyObject *self, PyObject *args)
{
    (void)self;
    if (!PyArg_ParseTuple(args, ":FindServerVersion")) return NULL;
    return INT_RESULT(FindServerVersion());
}

static PyObject *py_GetErrorDescription(PyObject *self, PyObject *args)
{
    int code;
    (void)self;
    if (!PyArg_ParseTuple(args, "i:GetErrorDescription", &code)) return NULL;
    return text_result(GetErrorDescription((ResultCode)(uint32_t)code));
}

static PyMethodDef karvelin_methods[] = {
    {"CheckOS", py_CheckOS, METH_VARARGS, NULL},
    {"CheckIeVersion", py_CheckIeVersion, METH_VARARGS, NULL},
    {"FindServerVersion", py_FindServerVersion, METH_VARARGS, NULL},
    {"GetErrorDescription", py_GetErrorDescription, METH_VARARGS, NULL},
    {NULL, NULL, 0, NULL}};

#if PY_MAJOR_VERSION >= 3

static struct PyModuleDef karvelin_module = {
    PyModuleDef_HEAD_INIT, "_Karvelin", NULL, -1, karvelin_methods, NULL, NULL, NULL, NULL};

PyMODINIT_FUNC PyInit__Karvelin(void)
{
    return PyModule_Create(&karvelin_module);
}

#else

PyMODINIT_FUNC init_Karvelin(void)
{
    PyObject *module = Py_InitModule4("_Karvelin", karvelin_methods, NULL, NULL, PYTHON_API_VERSION);
    if (module != NULL) (void)PyModule_GetDict(module);
}

#endif
