#!/usr/bin/env bash
# The README's commands work from a fresh clone as it gives them: every `cmake --install DIR`
# installs from a folder that a command of the same paragraph or code block builds, `./dev
# COMMAND` (the folder of the preset that command builds) or `cmake ... -B DIR`.
# Usage: check_readme.sh SOURCE_DIR
set -eu
cd "$1"
# The preset each ./dev command builds, and each preset's folder.
preset_of() { awk -v c="$1)" '$1 == c { inside = 1 } inside && $1 == "build" { print $2; exit } inside && $1 == ";;" { exit }' dev; }
folder_of() { awk -v n="\"$1\"," '$0 ~ "\"name\": " n { inside = 1 } inside && /binaryDir/ { gsub(/.*\$\{sourceDir\}\/|".*/, ""); print; exit }' CMakePresets.json; }

checked=0
# One paragraph or code block a line, in the README's order.
while read -r paragraph; do
    built=" "
    for command in $(grep -o '\./dev [a-z-]*' <<<"$paragraph" | cut -d' ' -f2); do
        preset=$(preset_of "$command")
        [ -z "$preset" ] || built+="$(folder_of "$preset") "
    done
    built+="$(grep -o -- '-B [^ ]*' <<<"$paragraph" | cut -d' ' -f2 | tr '\n' ' ')"
    for folder in $(grep -o 'cmake --install [^ `]*' <<<"$paragraph" | cut -d' ' -f3); do
        [[ $built == *" $folder "* ]] ||
            { echo "FAILED: the README installs from $folder, which nothing beside it builds: $paragraph"; exit 1; }
        checked=$((checked + 1))
    done
done < <(sed 's/^```.*/\n/' README.md | awk 'BEGIN { RS = "" } { gsub(/\n/, " "); print }')
[ $checked -gt 0 ] || { echo "FAILED: no cmake --install found in the README"; exit 1; }
echo "ok: the README's $checked install commands install from folders built beside them"
