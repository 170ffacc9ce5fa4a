#!/usr/bin/env bash
# Stops the test command before the build when a program the tests start is not to be had:
# each program of tests/external-tools.txt must be on PATH and come from a package that
# scripts/setup.sh installs, and every tool a test names through RunTool must be in that table.
set -euo pipefail
cd "$(dirname "$0")/.."
table=tests/external-tools.txt
packages=" $(sed -n '/^PACKAGES=(/,/^)/p' scripts/setup.sh | sed '1d;$d' | tr -s ' \n' ' ') "
problems=()
declare -A listed
while read -r program package _; do
  [[ -z $program || $program == \#* ]] && continue
  listed[$program]=1
  if [[ $packages != *" $package "* ]]; then
    problems+=("$program: its package $package is not in scripts/setup.sh")
  elif ! command -v "$program" >/dev/null; then
    problems+=("$program is missing: install the Debian package $package")
  fi
done <"$table"
# Tools named in the tests' RunTool calls, with or without QStringLiteral.
while read -r program; do
  [[ -n ${listed[$program]:-} ]] || problems+=("$program is started by a test but not listed in $table")
done < <(grep -rhoE 'RunTool\((QStringLiteral\()?"[^"]+"' tests bench | sed -E 's/.*"([^"]+)"/\1/' | sort -u)
if ((${#problems[@]})); then
  echo "Cannot run the tests:" >&2
  printf '  %s\n' "${problems[@]}" >&2
  exit 1
fi
