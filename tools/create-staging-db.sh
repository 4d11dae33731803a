#!/usr/bin/env bash
# Creates a fresh staging database file for a manual run or the demo:
#   tools/create-staging-db.sh /tmp/rk6.fdb [dialect]
# Character set ISO8859_1, SQL dialect 3 unless given; the tables come from
# tools/staging-schema.sql. Firebird embedded: no server is needed.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 <file.fdb> [dialect]" >&2
  exit 2
fi
target=$1
dialect=${2:-3}
here=$(cd "$(dirname "$0")" && pwd)

if [ -e "$target" ]; then
  echo "$target exists; remove it first" >&2
  exit 1
fi
case "$target" in
  *\'*) echo "the path must not contain an apostrophe" >&2; exit 2 ;;
esac

{
  echo "SET SQL DIALECT $dialect;"
  echo "CREATE DATABASE '$target' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET ISO8859_1;"
  cat "$here/staging-schema.sql"
  echo "COMMIT;"
} | isql-fb -q -bail -user SYSDBA
echo "created $target (dialect $dialect)"
