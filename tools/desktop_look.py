#!/usr/bin/python3
"""Looks at Quorvane as a user does: on a private X display with a window manager.

  desktop_look.py screenshot PROGRAM OUT.png
      the main window with the program's own process focused, saved as PNG
  desktop_look.py accessibility PROGRAM
      prints the accessibility tree (AT-SPI) a screen reader reads and fails when a list,
      button, menu or menu item has no name; run it inside dbus-run-session

Needs Xvfb, openbox, xdotool and ImageMagick; the accessibility check also python3-pyatspi and
at-spi2-core. The program runs with a settings folder of its own, so the user's saved layout
neither shows nor changes.
"""

import contextlib
import os
import subprocess
import sys
import tempfile
import time

# Roles a screen reader announces by name: each of these must have one.
NAMED_ROLES = {
    "push button", "toggle button", "check box", "radio button", "menu", "menu item",
    "check menu item", "radio menu item", "combo box", "list", "table", "tree table", "tree",
    "page tab", "spin button", "slider", "text", "dialog", "popup menu",
}
# Rows and cells are named by what they show; reading thousands of them adds nothing.
LEAF_ROLES = {"table", "tree table", "tree", "list"}


def free_display():
    for number in range(90, 400):
        if not os.path.exists(f"/tmp/.X11-unix/X{number}") and not os.path.exists(
                f"/tmp/.X{number}-lock"):
            return number
    raise SystemExit("no free X display number")


def wait_for(condition, what, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        result = condition()
        if result:
            return result
        time.sleep(0.1)
    raise SystemExit(f"gave up waiting for {what}")


@contextlib.contextmanager
def started(command, **kwargs):
    process = subprocess.Popen(command, **kwargs)
    try:
        yield process
    finally:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


@contextlib.contextmanager
def desktop(program, extra_env=None):
    """Xvfb, openbox and the program; yields the environment and the program's window id."""
    number = free_display()
    env = dict(os.environ, DISPLAY=f":{number}", QT_QPA_PLATFORM="xcb")
    env.pop("WAYLAND_DISPLAY", None)
    env.update(extra_env or {})
    with tempfile.TemporaryDirectory(prefix="quorvane-look-") as config, \
            started(["Xvfb", f":{number}", "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                    stderr=subprocess.DEVNULL):
        wait_for(lambda: os.path.exists(f"/tmp/.X11-unix/X{number}"), "the X server")
        env["XDG_CONFIG_HOME"] = config
        with started(["openbox"], env=env, stderr=subprocess.DEVNULL), \
                started([program], env=env):
            window = wait_for(lambda: find_window(env), "the main window")
            yield env, window


def find_window(env):
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Quorvane"],
                           env=env, capture_output=True, text=True)
    ids = found.stdout.split()
    return ids[0] if ids else None


def screenshot(program, out):
    with desktop(program) as (env, window):
        subprocess.run(["xdotool", "windowactivate", "--sync", window], env=env, check=True)
        # The process list has the focus; typing a name moves the focus to that process.
        subprocess.run(["xdotool", "type", "--delay", "50", "quorvane"], env=env, check=True)
        time.sleep(2)  # the detail lists fill and the module usage counts arrive
        subprocess.run(["import", "-window", window, "-frame", out], env=env, check=True)
    print(out)


def describe(accessible):
    return f'{accessible.getRoleName()} "{accessible.name}"'


def key_binding(accessible):
    try:
        action = accessible.queryAction()
    except NotImplementedError:
        return ""
    keys = [action.getKeyBinding(i) for i in range(action.nActions)]
    return " ".join(key for key in keys if key)


def walk(accessible, depth, unnamed, out):
    role = accessible.getRoleName()
    line = "  " * depth + describe(accessible)
    keys = key_binding(accessible) if "menu item" in role else ""
    if keys:
        line += f"  [{keys}]"
    # A frame is a window only at the top; inside one it is a line or a box.
    needs_name = role in NAMED_ROLES or (role == "frame" and depth == 1)
    if needs_name and not accessible.name.strip():
        unnamed.append("  " * depth + describe(accessible))
        line += "   <-- no name"
    if role in LEAF_ROLES:
        line += f"  ({accessible.childCount} children not shown)"
        print(line, file=out)
        return
    print(line, file=out)
    for child in accessible:
        if child is not None:
            walk(child, depth + 1, unnamed, out)


def accessibility(program):
    import pyatspi

    env = {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "QT_ACCESSIBILITY": "1"}
    with desktop(program, env):
        def application():
            for app in pyatspi.Registry.getDesktop(0):
                if app is not None and app.name == "Quorvane" and app.childCount > 0:
                    return app
            return None

        app = wait_for(application, "Quorvane on the accessibility bus")
        # The window is up; give the bridge a moment to publish its children.
        time.sleep(1)
        unnamed = []
        walk(app, 0, unnamed, sys.stdout)
    if unnamed:
        print("\nControls without a name:", *unnamed, sep="\n")
        return 1
    print("\nEvery list, button, menu and menu item has a name.")
    return 0


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "screenshot":
        screenshot(os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3]))
        return 0
    if len(sys.argv) == 3 and sys.argv[1] == "accessibility":
        return accessibility(os.path.abspath(sys.argv[2]))
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
