#include "dosname.h"

/* Bytes that open a two-byte CP932 character: the byte after one is part
 * of the character, even when it is "\" (as in "表"). */
static int lead_byte(unsigned char c)
{
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

static int forbidden(unsigned char c)
{
  const char *bad = "\"*+,;<=>?[]| ";
  if (c < 0x20) return 1;
  for (; *bad; bad++)
    if (c == (unsigned char)*bad) return 1;
  return 0;
}

static int upper(int c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

/* The devices DOS opens whatever the extension: CON, PRN, AUX, NUL,
 * COM1-4, LPT1-3, CLOCK$. */
static int device(const char *base, unsigned n)
{
  static const char *const names[] = {"CON", "PRN", "AUX", "NUL", "COM1", "COM2", "COM3", "COM4",
                                      "LPT1", "LPT2", "LPT3", "CLOCK$", 0};
  unsigned i, k;
  for (i = 0; names[i]; i++) {
    for (k = 0; k < n && names[i][k] && upper((unsigned char)base[k]) == names[i][k]; k++) {
    }
    if (k == n && names[i][k] == 0) return 1;
  }
  return 0;
}

int dos_path(const char *name, unsigned size, char *out, unsigned out_size)
{
  unsigned i = 0, o = 0, start, n, k, dot, dots;
  if (size > 0 && (name[0] == '\\' || name[0] == '/')) return DOS_NAME_UNSAFE;
  while (i < size) {
    start = i;
    dots = 0;
    dot = 0;
    while (i < size && name[i] != '\\' && name[i] != '/') {
      const unsigned char c = (unsigned char)name[i];
      if (lead_byte(c) && i + 1 < size) {
        i += 2;
        continue;
      }
      if (c == ':') return DOS_NAME_UNSAFE;
      if (forbidden(c)) return DOS_NAME_BAD;
      if (c == '.') {
        dots++;
        dot = i - start;
      }
      i++;
    }
    n = i - start;
    i++;
    if (n == 0 || (n == 1 && name[start] == '.')) continue;
    if (n == 2 && name[start] == '.' && name[start + 1] == '.') return DOS_NAME_UNSAFE;
    /* 8.3: up to eight bytes, then a dot and one to three more. */
    if (dots > 1 || (dots == 1 && (dot == 0 || dot > 8 || n - dot - 1 < 1 || n - dot - 1 > 3)) ||
        (dots == 0 && n > 8))
      return DOS_NAME_BAD;
    if (device(name + start, dots ? dot : n)) return DOS_NAME_BAD;
    if (o + n + 2 > out_size) return DOS_NAME_BAD;
    if (o > 0) out[o++] = '\\';
    for (k = 0; k < n; k++) out[o++] = name[start + k];
  }
  if (o == 0) return DOS_NAME_BAD;
  out[o] = 0;
  return DOS_NAME_OK;
}
