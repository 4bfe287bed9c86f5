"""c_interface_walk.py LIBRARY DATABASE INI_FOLDER: the walk of
c_interface_walk.c, through Python's standard ctypes, printing the same lines;
then bad arguments. Exit code 0 when every check held."""
import ctypes
import sys

OK, INVALID_ARGUMENT, INVALID_UTF8, OUT_OF_RANGE, UNKNOWN_PANEL = 0, 2, 3, 4, 5


class Option(ctypes.Structure):
    _fields_ = [
        ("id", ctypes.c_uint32),
        ("name", ctypes.c_char_p),
        ("title_id", ctypes.c_uint32),
        ("data1", ctypes.c_uint32),
        ("data2", ctypes.c_uint32),
        ("data3", ctypes.c_uint32),
        ("next_panel", ctypes.c_uint32),
        ("next_id_count", ctypes.c_size_t),
        ("next_ids", ctypes.POINTER(ctypes.c_uint32)),
    ]


def load(path):
    lib = ctypes.CDLL(path)
    handle = ctypes.c_void_p
    size_p = ctypes.POINTER(ctypes.c_size_t)
    u32_p = ctypes.POINTER(ctypes.c_uint32)
    option_pp = ctypes.POINTER(ctypes.POINTER(Option))
    signatures = {
        "lumbrix_version": (ctypes.c_char_p, []),
        "lumbrix_result_text": (ctypes.c_char_p, [ctypes.c_int]),
        "lumbrix_open": (ctypes.c_int, [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_char_p,
                                        ctypes.POINTER(handle)]),
        "lumbrix_close": (None, [handle]),
        "lumbrix_load": (ctypes.c_int, [handle]),
        "lumbrix_panel_count": (ctypes.c_int, [handle, size_p]),
        "lumbrix_panel_number": (ctypes.c_int, [handle, ctypes.c_size_t, u32_p]),
        "lumbrix_load_panel_options": (ctypes.c_int, [handle, ctypes.c_uint32, size_p]),
        "lumbrix_option_at": (ctypes.c_int, [handle, ctypes.c_size_t, option_pp]),
        "lumbrix_save_last_choice": (ctypes.c_int, [handle, ctypes.c_uint32,
                                                    ctypes.POINTER(Option), u32_p]),
        "lumbrix_last_choice": (ctypes.c_int, [handle, ctypes.c_uint32, option_pp]),
        "lumbrix_get_setting": (ctypes.c_int, [handle, ctypes.c_char_p, ctypes.c_char_p,
                                               ctypes.c_char_p,
                                               ctypes.POINTER(ctypes.c_char_p)]),
        "lumbrix_set_setting": (ctypes.c_int, [handle, ctypes.c_char_p, ctypes.c_char_p,
                                               ctypes.c_char_p]),
    }
    for name, (restype, argtypes) in signatures.items():
        function = getattr(lib, name)
        function.restype = restype
        function.argtypes = argtypes
    return lib


failures = []


def check(result, expected, what):
    if result != expected:
        failures.append(f"{what} gave {result}, not {expected}")


def text(raw):
    return raw.decode("utf-8")


def print_option(option):
    offers = "".join(f" {option.next_ids[i]}" for i in range(option.next_id_count))
    print(f"  {text(option.name)} (id {option.id}, title {option.title_id}, data "
          f"{option.data1} {option.data2} {option.data3}, next panel {option.next_panel}, "
          f"offers{offers})")


def walk(lib, manager):
    count = ctypes.c_size_t()
    panel = ctypes.c_uint32()
    check(lib.lumbrix_load(manager), OK, "load")
    check(lib.lumbrix_panel_count(manager, ctypes.byref(count)), OK, "panel count")
    numbers = []
    for i in range(count.value):
        check(lib.lumbrix_panel_number(manager, i, ctypes.byref(panel)), OK, "panel number")
        numbers.append(panel.value)
    print(f"{count.value} panels:" + "".join(f" {n}" for n in numbers))

    current = numbers[0]
    while current != 0:
        check(lib.lumbrix_load_panel_options(manager, current, ctypes.byref(count)), OK, "list")
        print(f"Panel {current}")
        if count.value == 0:
            break
        option = ctypes.POINTER(Option)()
        for i in range(count.value):
            check(lib.lumbrix_option_at(manager, i, ctypes.byref(option)), OK, "option")
            print_option(option.contents)
        check(lib.lumbrix_option_at(manager, count.value, ctypes.byref(option)), OUT_OF_RANGE,
              "option past the end")
        check(lib.lumbrix_option_at(manager, count.value - 1, ctypes.byref(option)), OK, "option")
        print(f"  chosen: {text(option.contents.name)}")
        check(lib.lumbrix_save_last_choice(manager, current, option, ctypes.byref(panel)), OK,
              "save")
        current = panel.value

    last = ctypes.POINTER(Option)()
    check(lib.lumbrix_last_choice(manager, numbers[0], ctypes.byref(last)), OK, "last choice")
    print(f"Last choice on panel {numbers[0]}: {text(last.contents.name)}")


def settings(lib, manager):
    value = ctypes.c_char_p()
    check(lib.lumbrix_set_setting(manager, b"Wizard", b"Title", "Aperçu".encode()), OK, "set")
    check(lib.lumbrix_get_setting(manager, b"Wizard", b"Title", b"none", ctypes.byref(value)),
          OK, "get")
    print(f"Setting: {text(value.value)}")
    check(lib.lumbrix_get_setting(manager, b"Wizard", b"Missing", None, ctypes.byref(value)),
          OK, "get missing")
    print(f"Missing setting: \"{text(value.value)}\"")


def bad_arguments(lib, manager, database):
    other = ctypes.c_void_p()
    count = ctypes.c_size_t()
    option = ctypes.POINTER(Option)()
    check(lib.lumbrix_open(None, None, None, ctypes.byref(other)), INVALID_ARGUMENT, "open null")
    check(lib.lumbrix_open(b"bad\xc3(utf8.db", None, None, ctypes.byref(other)), INVALID_UTF8,
          "open invalid UTF-8")
    check(lib.lumbrix_load(None), INVALID_ARGUMENT, "load null")
    check(lib.lumbrix_load_panel_options(manager, 12345, ctypes.byref(count)), UNKNOWN_PANEL,
          "unknown panel")
    check(lib.lumbrix_option_at(manager, 1 << 40, ctypes.byref(option)), OUT_OF_RANGE,
          "index far out")
    check(lib.lumbrix_save_last_choice(manager, 10, ctypes.pointer(Option()), None),
          INVALID_ARGUMENT, "a record of our own")
    check(lib.lumbrix_set_setting(manager, b"Wizard", b"Title", b"\xff"), INVALID_UTF8,
          "set invalid UTF-8")
    lib.lumbrix_close(None)


def main():
    library, database, ini_folder = sys.argv[1:4]
    lib = load(library)
    manager = ctypes.c_void_p()
    check(lib.lumbrix_open(database.encode(), None, ini_folder.encode(), ctypes.byref(manager)),
          OK, "open")
    walk(lib, manager)
    settings(lib, manager)
    bad_arguments(lib, manager, database)
    lib.lumbrix_close(manager)
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
