"""Varnelo: turns a picture into coloured text.

A thin layer over libvarnelo.so.0 (ctypes, no compiled extension)::

    import varnelo
    picture = varnelo.open("photo.jpg")
    html = picture.to_html(mode="symbols", fit="100x50")
    cells = picture.cells(mode="symbols", width=80, height=30)
    print(cells.text())

Settings are the long options of varnelo-convert, as keywords with "_" for
"-": ``mode="symbols"``, ``font_size=10``, ``background="#ffffff"``,
``fit="100x50"`` (or a pair), ``fill=True`` for an option without a value.
A failure raises VarneloError with the library's words.
"""

import ctypes
import ctypes.util
import threading

__all__ = ["open", "from_bytes", "from_array", "Picture", "Cells", "Job", "VarneloError",
           "version"]



def _open_library():
    # Installed under a prefix of its own (/usr/local), the module names the
    # library installed beside it, which the loader finds only once
    # ldconfig has run; from Debian's package, the loader finds it.
    try:
        from varnelo._installed import LIBRARY
    except ImportError:
        LIBRARY = None
    if LIBRARY is not None:
        try:
            return ctypes.CDLL(LIBRARY)
        except OSError:
            pass
    return ctypes.CDLL("libvarnelo.so.0")


_library = _open_library()

_STATUS_NAMES = {
    1: "argument", 2: "setting", 3: "read", 4: "picture", 5: "too large", 6: "memory",
    7: "write", 8: "cancelled",
}
_LAYOUTS = {3: 0, 4: 1, 1: 4}  # channels: RGB, RGBA, grey

_PROGRESS = ctypes.CFUNCTYPE(None, ctypes.c_int, ctypes.c_int, ctypes.c_void_p)


def _declare(name, result, *arguments):
    function = getattr(_library, name)
    function.restype = result
    function.argtypes = list(arguments)
    return function


_p = ctypes.c_void_p
_last_error = _declare("varnelo_last_error", ctypes.c_char_p)
_version = _declare("varnelo_version", ctypes.c_char_p)
_settings_new = _declare("varnelo_settings_new", _p)
_settings_free = _declare("varnelo_settings_free", None, _p)
_settings_set = _declare("varnelo_settings_set", ctypes.c_int, _p, ctypes.c_char_p,
                         ctypes.c_char_p)
_open_file = _declare("varnelo_picture_open_file", ctypes.c_int, ctypes.c_char_p,
                      ctypes.POINTER(_p))
_wrap_memory = _declare("varnelo_picture_wrap_memory", ctypes.c_int, ctypes.c_char_p,
                        ctypes.c_size_t, ctypes.POINTER(_p))
_picture_size = _declare("varnelo_picture_size", ctypes.c_int, _p, ctypes.POINTER(ctypes.c_int),
                         ctypes.POINTER(ctypes.c_int))
_from_pixels = _declare("varnelo_picture_from_pixels", ctypes.c_int, _p, ctypes.c_int,
                        ctypes.c_int, ctypes.c_size_t, ctypes.c_int, ctypes.POINTER(_p))
_picture_free = _declare("varnelo_picture_free", None, _p)
_job_new = _declare("varnelo_job_new", _p)
_job_free = _declare("varnelo_job_free", None, _p)
_job_set_progress = _declare("varnelo_job_set_progress", None, _p, _PROGRESS, _p)
_job_cancel = _declare("varnelo_job_cancel", None, _p)
_to_cells = _declare("varnelo_convert_to_cells", ctypes.c_int, _p, _p, _p, ctypes.POINTER(_p))
_to_file = _declare("varnelo_convert_to_file", ctypes.c_int, _p, _p, _p, ctypes.c_char_p)
_to_memory = _declare("varnelo_convert_to_memory", ctypes.c_int, _p, _p, _p, ctypes.POINTER(_p),
                      ctypes.POINTER(ctypes.c_size_t))
_free = _declare("varnelo_free", None, _p)
_cells_columns = _declare("varnelo_cells_columns", ctypes.c_int, _p)
_cells_rows = _declare("varnelo_cells_rows", ctypes.c_int, _p)
_cells_text = _declare("varnelo_cells_text", ctypes.c_char_p, _p, ctypes.c_int, ctypes.c_int)
_cells_ink = _declare("varnelo_cells_ink", ctypes.c_uint32, _p, ctypes.c_int, ctypes.c_int)
_cells_background = _declare("varnelo_cells_background", ctypes.c_uint32, _p, ctypes.c_int,
                             ctypes.c_int)
_cells_free = _declare("varnelo_cells_free", None, _p)


class VarneloError(Exception):
    """A call the library refused or could not finish: str() is its message,
    ``kind`` what failed ("setting", "read", "picture", "cancelled", ...)."""

    def __init__(self, status, message):
        super().__init__(message)
        self.status = status
        self.kind = _STATUS_NAMES.get(status, "error")


def _check(status):
    if status != 0:
        raise VarneloError(status, _last_error().decode("utf-8", "replace"))


def version():
    """The library's version, as "0.4"."""
    return _version().decode()


class _Settings:
    """Settings made from keywords, freed with the object."""

    def __init__(self, options):
        self.handle = _settings_new()
        if not self.handle:
            raise MemoryError("no memory for the settings")
        try:
            for name, value in options.items():
                self._set(name.replace("_", "-"), value)
        except BaseException:
            self.close()
            raise

    def _set(self, name, value):
        if value is None or value is False:
            return
        if name in ("fit", "size") and isinstance(value, (tuple, list)):
            value = "%dx%d" % tuple(value)
        text = None if value is True else str(value).encode()
        _check(_settings_set(self.handle, name.encode(), text))

    def close(self):
        if self.handle:
            _settings_free(self.handle)
            self.handle = None


class Job:
    """Progress and cancel for one conversion at a time. ``progress`` is
    called with (done, total) on the converting thread; ``cancel()`` may be
    called from any thread and stops the conversion, which then raises
    VarneloError with kind "cancelled"."""

    def __init__(self, progress=None):
        self._handle = _job_new()
        if not self._handle:
            raise MemoryError("no memory for the job")
        self._callback = None
        if progress is not None:
            self._callback = _PROGRESS(lambda done, total, _user: progress(done, total))
            _job_set_progress(self._handle, self._callback, None)

    def cancel(self):
        """Stops the job's conversion; a cancelled job stays cancelled."""
        _job_cancel(self._handle)

    def __del__(self):
        if getattr(self, "_handle", None):
            _job_free(self._handle)
            self._handle = None


class Cells:
    """A converted picture as character cells: ``columns`` × ``rows``, each
    with its text (str), ink and background (0xRRGGBB)."""

    def __init__(self, handle):
        self._handle = handle
        self.columns = _cells_columns(handle)
        self.rows = _cells_rows(handle)

    def cell(self, column, row):
        """(text, ink, background) of one cell; IndexError outside the grid."""
        text = _cells_text(self._handle, column, row)
        if text is None:
            raise IndexError("no cell at %d, %d" % (column, row))
        return (text.decode("utf-8"), _cells_ink(self._handle, column, row),
                _cells_background(self._handle, column, row))

    def text(self):
        """The cells' texts without colours, a line a row."""
        return "\n".join("".join(_cells_text(self._handle, column, row).decode("utf-8")
                                 for column in range(self.columns))
                         for row in range(self.rows))

    def __del__(self):
        if getattr(self, "_handle", None):
            _cells_free(self._handle)
            self._handle = None


class Picture:
    """A picture to convert: from open(), from_bytes() or from_array(). Each
    conversion takes the settings as keywords and an optional Job."""

    def __init__(self, handle, keep=None):
        self._handle = handle
        self._keep = keep

    def __del__(self):
        if getattr(self, "_handle", None):
            _picture_free(self._handle)
            self._handle = None

    @property
    def size(self):
        """(width, height) in pixels, as the picture shows, turned upright as
        its EXIF orientation says; a file's read from its header."""
        width, height = ctypes.c_int(), ctypes.c_int()
        _check(_picture_size(self._handle, ctypes.byref(width), ctypes.byref(height)))
        return width.value, height.value

    def _convert(self, call, job, options):
        settings = _Settings(options)
        try:
            _check(call(settings.handle, self._handle, job._handle if job else None))
        finally:
            settings.close()

    def cells(self, job=None, **settings):
        """The picture as Cells, as terminal text shows it."""
        handle = _p()
        self._convert(lambda s, p, j: _to_cells(s, p, j, ctypes.byref(handle)), job, settings)
        return Cells(handle.value)

    def to_bytes(self, format, job=None, **settings):
        """The output in a format of varnelo-convert's ("plain-html",
        "css-html", "rtf", "png", "jpg", "bmp", "ansi", "text") as bytes."""
        data = _p()
        size = ctypes.c_size_t()
        settings["format"] = format
        self._convert(lambda s, p, j: _to_memory(s, p, j, ctypes.byref(data), ctypes.byref(size)),
                      job, settings)
        try:
            return ctypes.string_at(data.value, size.value)
        finally:
            _free(data)

    def to_html(self, job=None, **settings):
        """HTML (styled by CSS with ``css=True``), as text."""
        css = settings.pop("css", False)
        html = self.to_bytes("css-html" if css else "plain-html", job, **settings)
        return html.decode("cp1252", "replace")

    def to_rtf(self, job=None, **settings):
        """An RTF document, as text."""
        return self.to_bytes("rtf", job, **settings).decode("cp1252", "replace")

    def to_ansi(self, job=None, **settings):
        """Terminal text with colours, as text."""
        return self.to_bytes("ansi", job, **settings).decode("utf-8")

    def to_text(self, job=None, **settings):
        """Text without colours."""
        return self.to_bytes("text", job, **settings).decode("utf-8")

    def to_image(self, format="png", job=None, **settings):
        """The picture drawn in its characters, as the bytes of a PNG, JPG or BMP."""
        return self.to_bytes(format, job, **settings)

    def save(self, path, job=None, **settings):
        """Writes the output to path, its format from the settings or the
        path's extension; the file appears whole or not at all."""
        self._convert(lambda s, p, j: _to_file(s, p, j, str(path).encode()), job, settings)


def open(path):  # noqa: A001 - as PIL.Image.open
    """A picture file (BMP, JPEG, GIF, PNG, WebP, TIFF, JPEG XL, AVIF, HEIC),
    read when converted."""
    handle = _p()
    _check(_open_file(str(path).encode(), ctypes.byref(handle)))
    return Picture(handle.value)


def from_bytes(data):
    """A picture from a file's bytes (bytes are read where they lie, not
    copied; anything else is copied into bytes once)."""
    data = bytes(data)
    handle = _p()
    _check(_wrap_memory(data, len(data), ctypes.byref(handle)))
    return Picture(handle.value, keep=data)


def from_array(array):
    """A picture from a numpy array of 8-bit pixels: height × width × 3
    (RGB), × 4 (RGBA, alpha not drawn) or height × width (grey)."""
    import numpy

    array = numpy.asarray(array)
    if array.dtype != numpy.uint8:
        # A cast would turn floats of 0 to 1 black without a word.
        raise ValueError("a picture is an array of 8-bit pixels (uint8), not %s" % array.dtype)
    pixels = numpy.ascontiguousarray(array)
    if pixels.ndim == 2:
        channels = 1
    elif pixels.ndim == 3 and pixels.shape[2] in (3, 4):
        channels = pixels.shape[2]
    else:
        raise ValueError("an array of height × width × 3 or 4, or height × width, is a picture")
    height, width = pixels.shape[:2]
    handle = _p()
    _check(_from_pixels(pixels.ctypes.data, width, height, pixels.strides[0], _LAYOUTS[channels],
                        ctypes.byref(handle)))
    return Picture(handle.value)
