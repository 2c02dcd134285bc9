#!/bin/bash
# Every product folder may include only itself and the folders listed before it, so the folders
# depend in one direction: the platform seam at the bottom, the entry point and the installation
# run on top. The order is the README's layer table; an include outside it fails this check.
#
#   check_layers.sh SOURCE_DIR

order=(platform base tag shell installer report i18n ui requirements versions app)
cd "${1:-.}" || exit 2

rank() {
  local i
  for i in "${!order[@]}"; do [[ ${order[$i]} == "$1" ]] && { echo "$i"; return; }; done
  echo -1
}

failures=0 checked=0
for folder in "${order[@]}"; do
  own=$(rank "$folder")
  while IFS= read -r file; do
    while IFS=: read -r line target; do
      checked=$((checked + 1))
      top=${target%%/*}
      other=$(rank "$top")
      if [[ $other -lt 0 || $other -gt $own ]]; then
        echo "FAIL: $file:$line includes \"$target\" ($folder may include only: ${order[*]:0:own+1})"
        failures=$((failures + 1))
      fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
             sed -E 's/^([0-9]+):[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1:\2/')
  done < <(find "$folder" -type f \( -name '*.h' -o -name '*.cpp' \) | sort)
done

[[ $checked -gt 0 ]] || { echo "FAIL: no includes found under $PWD"; exit 1; }
echo "$checked includes checked, $failures against the layer order"
[[ $failures -eq 0 ]]
