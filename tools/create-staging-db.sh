#!/usr/bin/env bash
# Creates a fresh staging database file for a manual run or the demo:
#   tools/create-staging-db.sh /tmp/rk6.fdb
# Character set ISO8859_1, SQL dialect 3; the tables come from
# tools/staging-schema.sql. Firebird embedded: no server is needed. On
# failure the half-made file is removed.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 <file.fdb>" >&2
  exit 2
fi
target=$1
here=$(cd "$(dirname "$0")" && pwd)

if [ -e "$target" ]; then
  echo "$target exists; remove it first" >&2
  exit 1
fi
case "$target" in
  *\'*) echo "the path must not contain an apostrophe" >&2; exit 2 ;;
esac

if ! {
  echo "SET SQL DIALECT 3;"
  echo "CREATE DATABASE '$target' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET ISO8859_1;"
  cat "$here/staging-schema.sql"
  echo "COMMIT;"
} | isql-fb -q -bail -user SYSDBA; then
  rm -f "$target"
  echo "could not create $target" >&2
  exit 1
fi
echo "created $target"
