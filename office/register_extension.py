#!/usr/bin/python3
"""Registers an office extension for the user through the office itself, for root.

unopkg refuses per-user registrations for root, and a shared one would change the office for
every user of the machine. This asks the office's extension manager instead: the office Dravik
Lumo talks to when it answers on the program's pipe, else a headless office on the user's default
profile that is started for the purpose and ended again.

    register_extension.py path/to/extension.oxt
    register_extension.py --remove path/to/extension.oxt
"""

import os
import re
import stat
import subprocess
import sys
import time

import uno
import unohelper
from com.sun.star.task import XInteractionHandler
from com.sun.star.ucb import XCommandEnvironment, XProgressHandler


class Approve(unohelper.Base, XInteractionHandler):
    """Says yes to the extension manager's questions (replace the installed copy)."""

    def handle(self, request):
        for choice in request.getContinuations():
            if choice.queryInterface(uno.getTypeByName("com.sun.star.task.XInteractionApprove")):
                choice.select()
                return


class Quiet(unohelper.Base, XProgressHandler):
    def push(self, status):
        pass

    def update(self, status):
        pass

    def pop(self):
        pass


class Environment(unohelper.Base, XCommandEnvironment):
    def getInteractionHandler(self):
        return Approve()

    def getProgressHandler(self):
        return Quiet()


def private_folder():
    # The same folder the programs keep the user's names in (src/workbook/UserOffice.cpp).
    runtime = os.environ.get("XDG_RUNTIME_DIR", "")
    if not runtime or not os.path.isdir(runtime):
        runtime = os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache")
    return os.path.join(runtime, "dravik-lumo")


def program_pipe():
    # The same name the programs use: one pipe per user, with the random part they keep. None
    # when no program has made one yet.
    user = os.environ.get("USER") or str(os.getuid())
    try:
        with open(os.path.join(private_folder(), "office-pipe")) as stored:
            part = stored.read().strip()
    except OSError:
        return None
    return "dravik_lumo_calc_%s_%s" % (re.sub(r"[^A-Za-z0-9]", "_", user)[:32], part)


def users_own(pipe):
    # Only a socket of this user's own is spoken to: another user's under the name would be
    # handed the registration.
    for folder in ("/tmp", "/var/tmp"):
        try:
            found = os.lstat("%s/OSL_PIPE_%d_%s" % (folder, os.getuid(), pipe))
        except OSError:
            continue
        return stat.S_ISSOCK(found.st_mode) and found.st_uid == os.getuid()
    return False


def connect(pipe):
    if pipe is None or not users_own(pipe):
        raise RuntimeError("no office of the user's on " + str(pipe))
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    return resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)


def main():
    args = sys.argv[1:]
    remove = args[:1] == ["--remove"]
    if remove:
        args = args[1:]
    if len(args) != 1 or not (remove or os.path.isfile(args[0])):
        print("usage: register_extension.py [--remove] path/to/extension.oxt", file=sys.stderr)
        return 2
    url = uno.systemPathToFileUrl(os.path.abspath(args[0]))
    started = None
    try:
        ctx = connect(program_pipe())
    except Exception:  # nothing answers there: start an office of our own
        pipe = "dravik_register_%d_%s" % (os.getpid(), os.urandom(16).hex())
        started = subprocess.Popen(
            ["soffice", "--headless", "--invisible", "--norestore", "--nologo",
             "--accept=pipe,name=%s;urp;" % pipe],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 60
        while True:
            try:
                ctx = connect(pipe)
                break
            except Exception:
                if time.monotonic() > deadline:
                    print("register_extension: the office did not start", file=sys.stderr)
                    return 1
                time.sleep(0.2)
    try:
        manager = ctx.getValueByName("/singletons/com.sun.star.deployment.ExtensionManager")
        if not remove:
            manager.addExtension(url, (), "user", None, Environment())
        else:
            for extension in manager.getDeployedExtensions("user", None, Environment()):
                if extension.Name == os.path.basename(args[0]):
                    manager.removeExtension(extension.getIdentifier().Value, extension.Name,
                                            "user", None, Environment())
    finally:
        # An office already running on this profile took our start over: leave it be.
        if started is not None and started.poll() is None:
            try:
                ctx.ServiceManager.createInstanceWithContext(
                    "com.sun.star.frame.Desktop", ctx).terminate()
            except Exception:  # the bridge goes down with the office
                pass
            started.wait(timeout=30)
    return 0


if __name__ == "__main__":
    sys.exit(main())
