#!/bin/sh
# Checks what ships: the kernel library and the server link no Qt Gui or Widgets, and carry no test
# double. Arguments: the files to check.
status=0
for file in "$@"; do
    if ldd "$file" | grep -E 'libQt6(Gui|Widgets)'; then
        echo "$file links Qt Gui or Widgets" >&2
        status=1
    fi
    if nm -C "$file" | grep -i 'TZRVFake'; then
        echo "$file carries a test double" >&2
        status=1
    fi
done
exit $status
