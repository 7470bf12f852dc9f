#!/usr/bin/env bash
# Writes the registry file that lets Wine show Japanese captions: it maps the Windows face names
# to the IPA fonts (fonts-ipafont-gothic). UTF-16LE with a byte-order mark, as regedit reads the
# Japanese names. ./run imports it into its prefix; the Windows archive ships it for Wine users.
#   wine-fonts-reg.sh OUTPUT
set -euo pipefail
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  printf '"MS PGothic"="IPAPGothic"\r\n'
  printf '"\xef\xbc\xad\xef\xbc\xb3 \xef\xbc\xb0\xe3\x82\xb4\xe3\x82\xb7\xe3\x83\x83\xe3\x82\xaf"="IPAPGothic"\r\n'
  printf '"MS Gothic"="IPAGothic"\r\n'
  printf '"\xef\xbc\xad\xef\xbc\xb3 \xe3\x82\xb4\xe3\x82\xb7\xe3\x83\x83\xe3\x82\xaf"="IPAGothic"\r\n'
  printf '"MS UI Gothic"="IPAPGothic"\r\n'
} | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$1"
