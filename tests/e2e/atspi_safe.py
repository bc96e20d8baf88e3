# SPDX-License-Identifier: GPL-3.0-or-later
"""Drives the running desktop program as a screen reader does, through the accessibility bus:
finds the safe's commands by name, presses them by their action, and checks that every control
in sight has a name. Prints the tree of the open safe. Usage: atspi_safe.py OUT_DIR"""
import os
import sys
import time

import pyatspi

CONTROLS = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_ITEM,
    pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_LABEL,
    pyatspi.ROLE_DIALOG, pyatspi.ROLE_WINDOW, pyatspi.ROLE_FRAME,
}


def fail(why):
    print("FAIL: " + why, file=sys.stderr)
    sys.exit(1)


def until(what, why, seconds=15):
    end = time.time() + seconds
    while time.time() < end:
        found = what()
        if found:
            return found
        time.sleep(0.2)
    fail(why)


def app():
    desktop = pyatspi.Registry.getDesktop(0)
    for n in range(desktop.childCount):
        a = desktop.getChildAtIndex(n)
        if a is not None and "kestramo" in a.name.lower():
            return a
    return None


def walk(node, depth=0):
    yield node, depth
    for n in range(node.childCount):
        child = node.getChildAtIndex(n)
        if child is not None:
            yield from walk(child, depth + 1)


def name_of(node):
    # A field is named by its label, as a reader says it.
    if node.name:
        return node.name
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            return relation.getTarget(0).name
    return ""


def tree(top):
    lines = []
    for node, depth in walk(top):
        line = "  " * depth + f"[{node.getRoleName()}] {name_of(node)!r}"
        if node.description:
            line += f" — {node.description}"
        try:
            actions = node.queryAction()
            names = [actions.getName(i) for i in range(actions.nActions)]
            if names:
                line += f" {{{', '.join(names)}}}"
        except NotImplementedError:
            pass
        lines.append(line)
    return "\n".join(lines)


def unnamed(top):
    return [f"[{n.getRoleName()}] in {n.parent.name!r}" for n, _ in walk(top)
            if n.getRole() in CONTROLS and n.getState().contains(pyatspi.STATE_SHOWING) and not name_of(n)]


def window(name):
    a = app()
    if a is None:
        return None
    for n in range(a.childCount):
        w = a.getChildAtIndex(n)
        if w is not None and w.name == name and w.getState().contains(pyatspi.STATE_SHOWING):
            return w
    return None


def find(top, name, role=None):
    for node, _ in walk(top):
        if name_of(node) == name and (role is None or node.getRole() == role):
            return node
    return None


def press(top, name, role=pyatspi.ROLE_PUSH_BUTTON):
    node = until(lambda: find(top(), name, role), f"no {name!r} in the tree:\n{tree(top())}")
    actions = node.queryAction()
    for i in range(actions.nActions):
        if actions.getName(i) == "Press":
            actions.doAction(i)
            return
    fail(f"{name!r} has no press action")


out = sys.argv[1]
safe = lambda: until(lambda: window("KESTRAMO"), "the safe is not on the accessibility bus")

# Shut, the safe offers its top row and its handle, each named and pressable.
shut = safe()
for name in ("New box", "Delete the chosen box and its items", "Find items by name or comment",
             "Password, hardening and check", "Help", "About KESTRAMO", "Minimise", "Exit", "Open the safe"):
    if find(shut, name, pyatspi.ROLE_PUSH_BUTTON) is None:
        fail(f"the shut safe has no button {name!r}:\n{tree(shut)}")

# Open the safe and the box by their handles' actions: the box and its item come into the tree.
press(safe, "Open the safe")
until(lambda: find(safe(), "Box Work", pyatspi.ROLE_LIST), "the open safe shows no box")
time.sleep(2)  # the doors swing open; the safe takes no command meanwhile
press(safe, "Open the box's doors")
time.sleep(2)
item = until(lambda: find(safe(), "report.txt", pyatspi.ROLE_LIST_ITEM), "the box lists no item:\n" + tree(safe()))
if "KB" not in item.description or "quarterly" not in item.description:
    fail(f"the item does not tell its size and comment: {item.description!r}")
until(lambda: not find(safe(), "Open the box's doors"), "the doors did not finish opening")
with open(os.path.join(out, "atspi-tree.txt"), "w") as f:
    f.write(tree(safe()) + "\n")
print(tree(safe()))
missing = unnamed(safe())
if missing:
    fail("controls without a name: " + ", ".join(missing))

# A command by its name: New box opens its dialog, whose field is named by its label.
press(safe, "New box")
dialog = until(lambda: window("Box name"), "New box opened no dialog named on the bus")
field = until(lambda: next((n for n, _ in walk(dialog) if n.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY)), None),
              "the dialog has no field")
if not name_of(field):
    fail("the box name field has no label")
missing = unnamed(dialog)
if missing:
    fail("dialog controls without a name: " + ", ".join(missing))
print(tree(dialog))
press(lambda: window("Box name"), "Cancel")
until(lambda: window("Box name") is None, "Cancel by its action did not close the dialog")

# Choosing the item by its action, then Delete by name, asks how many go.
node = find(safe(), "report.txt", pyatspi.ROLE_LIST_ITEM)
node.queryAction().doAction(0)
until(lambda: node.getState().contains(pyatspi.STATE_SELECTED), "the item was not chosen by its action")
press(safe, "Delete the chosen items")
question = until(lambda: window("Question"), "Delete asked nothing")
if find(question, "Are you sure to delete the chosen item?", pyatspi.ROLE_LABEL) is None:
    fail(f"the question is not read out:\n{tree(question)}")
press(lambda: window("Question"), "No")
until(lambda: window("Question") is None, "No by its action did not close the question")
print("atspi test passed")
