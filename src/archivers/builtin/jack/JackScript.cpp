#include "archivers/builtin/jack/JackScript.h"

#include "archivers/builtin/jack/JackFormat.h"

namespace ks {

std::string ShellSingleQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

std::string JackJoinerScript(const JackScriptFacts& f) {
  // Piece numbers are padded without a subshell: 10^width + n with its
  // leading "1" cut off gives n with leading zeros.
  std::string pad = "1" + std::string(static_cast<std::size_t>(JackNumberWidth(f.pieceCount)), '0');
  std::string s;
  s += "#!/bin/sh\n";
  s += "# Rebuilds the file split by Kestrino (Jack32) from its " +
       std::to_string(f.pieceCount) + " piece(s).\n";
  s += "# Run it where the pieces are: sh " + ShellSingleQuoted(JackScriptName(f.name)) + "\n";
  s += "# It needs only standard POSIX tools and replaces no existing file.\n";
  s += "cd \"$(dirname \"$0\")\" || exit 1\n";
  s += "name=" + ShellSingleQuoted(f.name) + "\n";
  s += "count=" + std::to_string(f.pieceCount) + "\n";
  s += "header=" + std::to_string(f.headerSize) + "\n";
  s += "piece_data=" + std::to_string(f.pieceData) + "\n";
  s += "last_data=" + std::to_string(f.lastData) + "\n";
  s += "total=" + std::to_string(f.totalSize) + "\n";
  s += "sum=" + std::to_string(f.cksum) + "\n";
  s += "tmp=\"./$name.joining$$\"\n";
  s += "fail() { rm -f \"$tmp\"; printf '%s\\n' \"$1\" >&2; exit 1; }\n";
  s += "[ -e \"./$name\" ] && { printf '%s\\n' \"$name exists already; move it away first.\" >&2; exit 1; }\n";
  s += ": > \"$tmp\" || fail \"cannot write $tmp\"\n";
  s += "n=1\n";
  s += "while [ \"$n\" -le \"$count\" ]; do\n";
  s += "  number=$((n + " + pad + "))\n";
  s += "  piece=\"./$name.${number#1}\"\n";
  s += "  [ -f \"$piece\" ] || fail \"missing piece: $piece\"\n";
  s += "  want=$piece_data\n";
  s += "  [ \"$n\" -eq \"$count\" ] && want=$last_data\n";
  s += "  set -- $(wc -c < \"$piece\")\n";
  s += "  have=$1\n";
  s += "  [ \"$have\" -eq $((header + want)) ] || fail \"damaged piece (wrong size): $piece\"\n";
  s += "  tail -c +$((header + 1)) \"$piece\" >> \"$tmp\" || fail \"cannot write $tmp\"\n";
  s += "  n=$((n + 1))\n";
  s += "done\n";
  s += "set -- $(cksum < \"$tmp\")\n";
  s += "[ \"$1\" = \"$sum\" ] && [ \"$2\" = \"$total\" ] || fail \"the joined file is damaged (size or checksum)\"\n";
  s += "[ -e \"./$name\" ] && fail \"$name exists already; move it away first.\"\n";
  s += "mv \"$tmp\" \"./$name\" || fail \"cannot name $name\"\n";
  s += "printf '%s\\n' \"joined $name\"\n";
  return s;
}

}  // namespace ks
