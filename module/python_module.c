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

#include <string.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <stdlib.h>
#endif

#include "Karvelin.h"

/* Texts that Recode and Decode hand over, given back after the copy. */
static void free_library_text(char *text)
{
    KARVELIN_FREE_TEXT(text);
}

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
    Py_ssize_t size; /* bytes of the text */
    int is_str;      /* came as str: results go back as str */
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
    arg->size = PyBytes_GET_SIZE(bytes);
    arg->is_str = PyUnicode_Check(object);
    return Py_CLEANUP_SUPPORTED;
}

#define TEXT_FORMAT "O&"
#define TEXT_ARG(arg) text_arg_convert, &(arg)
#define TEXT_OF(arg) ((arg).text)
#define TEXT_SIZE(arg) ((arg).size)
#define TEXT_RELEASE(arg) Py_CLEAR((arg).owner)
#define INT_RESULT(value) PyLong_FromLong((long)(int32_t)(value))

/* A text result of the same type as the argument it came from. */
static PyObject *text_result_like(const TextArg *arg, const char *text)
{
    return arg->is_str ? ansi_decode(text) : PyBytes_FromString(text);
}

/* A text buffer argument: a writable buffer ("w*"), trimmed through a copy of
 * its text (the bytes up to the first NUL, or all of them), so the library
 * always sees a NUL-terminated text. Only the old text's bytes are written
 * back: the trimmed text, then NUL bytes up to the old text's end. */
#define BUFFER_FORMAT "w*"
typedef Py_buffer BufferArg;
#define BUFFER_ARG(arg) &(arg)

static void trim_buffer(Py_buffer *view, void (*trim)(char *))
{
    char text[256];
    const char *bytes = (const char *)view->buf;
    const char *nul = (const char *)memchr(bytes, 0, (size_t)view->len);
    const size_t length = nul ? (size_t)(nul - bytes) : (size_t)view->len;
    if (length >= sizeof text - 1) { /* 255 bytes or more: the library leaves it alone */
        PyBuffer_Release(view);
        return;
    }
    memcpy(text, bytes, length);
    text[length] = '\0';
    trim(text);
    memcpy(view->buf, text, length);
    PyBuffer_Release(view);
}

#else

/* ---- Python 2.7: the string's own bytes, as the interpreter hands them ---- */

typedef struct {
    const char *text;
} TextArg;

#define TEXT_FORMAT "s"
#define TEXT_ARG(arg) &(arg).text
#define TEXT_OF(arg) ((arg).text)
#define TEXT_SIZE(arg) ((Py_ssize_t)strlen((arg).text)) /* "s" has no NUL inside */
#define TEXT_RELEASE(arg) ((void)0)
#define INT_RESULT(value) PyInt_FromLong((long)(int32_t)(value))

static PyObject *ansi_decode(const char *text)
{
    return PyString_FromString(text);
}

static PyObject *text_result_like(const TextArg *arg, const char *text)
{
    (void)arg;
    return PyString_FromString(text);
}

/* A text buffer argument: the str object's own storage, written in place. */
#define BUFFER_FORMAT "s"
typedef char *BufferArg;
#define BUFFER_ARG(arg) &(arg)

static void trim_buffer(BufferArg *text, void (*trim)(char *))
{
    trim(*text);
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

/* Recode and Decode: the count must lie within the text, so the library never
 * reads past it. The result is the argument's type; no memory gives None. */
static PyObject *recode_call(PyObject *args, const char *format, char *(*code)(const char *, uint32_t))
{
    TextArg text = {0};
    int count;
    char *result;
    PyObject *object;
    if (!PyArg_ParseTuple(args, format, TEXT_ARG(text), &count)) return NULL;
    if (count < 0 || count > TEXT_SIZE(text)) {
        PyErr_Format(PyExc_ValueError, "count %d is outside the text of %d bytes", count, (int)TEXT_SIZE(text));
        TEXT_RELEASE(text);
        return NULL;
    }
    result = code(TEXT_OF(text), (uint32_t)count);
    if (result == NULL) {
        TEXT_RELEASE(text);
        Py_RETURN_NONE;
    }
    object = text_result_like(&text, result);
    free_library_text(result);
    TEXT_RELEASE(text);
    return object;
}

static PyObject *py_Recode(PyObject *self, PyObject *args)
{
    (void)self;
    return recode_call(args, TEXT_FORMAT "i:Recode", Recode);
}

static PyObject *py_Decode(PyObject *self, PyObject *args)
{
    (void)self;
    return recode_call(args, TEXT_FORMAT "i:Decode", Decode);
}

static PyObject *py_TrimRight(PyObject *self, PyObject *args)
{
    BufferArg buffer;
    (void)self;
    if (!PyArg_ParseTuple(args, BUFFER_FORMAT ":TrimRight", BUFFER_ARG(buffer))) return NULL;
    trim_buffer(&buffer, TrimRight);
    Py_RETURN_NONE;
}

static PyObject *py_TrimLeft(PyObject *self, PyObject *args)
{
    BufferArg buffer;
    (void)self;
    if (!PyArg_ParseTuple(args, BUFFER_FORMAT ":TrimLeft", BUFFER_ARG(buffer))) return NULL;
    trim_buffer(&buffer, TrimLeft);
    Py_RETURN_NONE;
}

static PyObject *py_ValidateNet(PyObject *self, PyObject *args)
{
    TextArg host = {0}, mask = {0}, network = {0}, other = {0};
    PyObject *result;
    (void)self;
    if (!PyArg_ParseTuple(args, TEXT_FORMAT TEXT_FORMAT TEXT_FORMAT TEXT_FORMAT ":ValidateNet", TEXT_ARG(host),
                          TEXT_ARG(mask), TEXT_ARG(network), TEXT_ARG(other)))
        return NULL;
    result = INT_RESULT(ValidateNet(TEXT_OF(host), TEXT_OF(mask), TEXT_OF(network), TEXT_OF(other)));
    TEXT_RELEASE(host);
    TEXT_RELEASE(mask);
    TEXT_RELEASE(network);
    TEXT_RELEASE(other);
    return result;
}

/* The functions of one text argument and an integer result. */
#define ONE_TEXT_FUNCTION(name)                                                   \
    static PyObject *py_##name(PyObject *self, PyObject *args)                    \
    {                                                                             \
        TextArg text = {0};                                                       \
        PyObject *result;                                                         \
        (void)self;                                                               \
        if (!PyArg_ParseTuple(args, TEXT_FORMAT ":" #name, TEXT_ARG(text))) return NULL; \
        result = INT_RESULT(name(TEXT_OF(text)));                                 \
        TEXT_RELEASE(text);                                                       \
        return result;                                                            \
    }

ONE_TEXT_FUNCTION(ValidateTheIP)
ONE_TEXT_FUNCTION(IsLetterfigureString)
ONE_TEXT_FUNCTION(CheckBureauName)
ONE_TEXT_FUNCTION(CheckDestFileDir)

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
    {"Recode", py_Recode, METH_VARARGS, NULL},
    {"Decode", py_Decode, METH_VARARGS, NULL},
    {"TrimRight", py_TrimRight, METH_VARARGS, NULL},
    {"TrimLeft", py_TrimLeft, METH_VARARGS, NULL},
    {"ValidateNet", py_ValidateNet, METH_VARARGS, NULL},
    {"ValidateTheIP", py_ValidateTheIP, METH_VARARGS, NULL},
    {"IsLetterfigureString", py_IsLetterfigureString, METH_VARARGS, NULL},
    {"CheckBureauName", py_CheckBureauName, METH_VARARGS, NULL},
    {"CheckDestFileDir", py_CheckDestFileDir, METH_VARARGS, NULL},
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
