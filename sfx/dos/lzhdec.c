#include "lzhdec.h"

#define MAX_BITS 16
#define LENGTH_CODES 19   /* symbols of the code-length code */
#define LITERAL_CODES 510 /* 256 literals and 254 match lengths */
#define MOST_LENGTHS 512  /* what a 9-bit count may announce */
#define MIN_MATCH 3
#define LITERAL_BITS 10   /* the first bits a lookup decodes at once */
#define SHORT_BITS 8
/* A table entry: a symbol, a tree node (NODE + index: codes longer than the
 * table continue there bit by bit) or no code at all. A code of n symbols
 * needs at most n - 1 nodes. */
#define NODE 0x4000u
#define NO_CODE 0xFFFFu
#define NODES (LITERAL_CODES + 2 * LENGTH_CODES)

/* The decoder keeps its state in statics: a 16-bit program reaches them
 * faster than through a pointer, and it decodes one entry at a time. */
static struct lzh_io *io;
static unsigned char in[512];
static unsigned in_pos, in_end;
static int ended;
static unsigned bitbuf;           /* the next 16 bits, most significant first */
static unsigned sub;              /* the byte the low bits of bitbuf came from */
static int sub_left;              /* its bits not yet in bitbuf */
static unsigned long zero_bytes;  /* zero bytes supplied past the end */
static unsigned char lengths[MOST_LENGTHS];
static unsigned char literal_len[LITERAL_CODES];
static unsigned char short_len[LENGTH_CODES + 1];
static unsigned short literal_table[1 << LITERAL_BITS];
static unsigned short short_table[1 << SHORT_BITS];
static unsigned short left[NODES], right[NODES];
static unsigned nodes;

static unsigned next_byte(void)
{
  if (in_pos == in_end) {
    in_end = ended ? 0 : io->read(io->ctx, in, sizeof in);
    in_pos = 0;
    if (in_end == 0) {
      ended = 1;
      zero_bytes++;
      return 0;
    }
  }
  return in[in_pos++];
}

/* Drops `n` bits (at most 16) from bitbuf and moves as many new ones in.
 * `sub` keeps only its `sub_left` bits not moved yet. */
static void fill(int n)
{
  bitbuf = (bitbuf << n) & 0xFFFF;
  while (n > sub_left) {
    n -= sub_left;
    bitbuf |= (sub << n) & 0xFFFF;
    sub = next_byte();
    sub_left = 8;
  }
  sub_left -= n;
  bitbuf |= sub >> sub_left;
  sub &= (1u << sub_left) - 1;
}

/* True once a bit past the input's end was taken: the bits held (16 in
 * bitbuf and the rest of `sub`) hold every zero byte supplied otherwise. */
static int overrun(void) { return zero_bytes * 8 > (unsigned long)(16 + sub_left); }

/* `n` bits (1 to 16) as a number, the first one most significant. */
static unsigned bits(int n)
{
  unsigned v = bitbuf >> (16 - n);
  fill(n);
  return v;
}

/* Builds the lookup table of `table_bits` bits (and tree nodes for longer
 * codes) of a canonical code: shorter codes first, equal lengths in symbol
 * order. Fails for a length over 16 bits and for more codes than there
 * are bit patterns; an incomplete code is allowed, its unused patterns
 * decode as errors. */
static int build(unsigned n, const unsigned char *len, int table_bits, unsigned short *table)
{
  unsigned count[MAX_BITS + 1], next[MAX_BITS + 1], s, code, k;
  unsigned short *at;
  long free_patterns = 1;
  int l, i;
  for (l = 0; l <= MAX_BITS; l++) count[l] = 0;
  for (s = 0; s < n; s++) {
    if (len[s] > MAX_BITS) return 0;
    count[len[s]]++;
  }
  code = 0;
  for (l = 1; l <= MAX_BITS; l++) {
    free_patterns = free_patterns * 2 - count[l];
    if (free_patterns < 0) return 0;
    next[l] = code;
    code = (code + count[l]) << 1;
  }
  for (k = 0; k < (1u << table_bits); k++) table[k] = NO_CODE;
  for (s = 0; s < n; s++) {
    l = len[s];
    if (l == 0) continue;
    code = next[l]++;
    if (l <= table_bits) {
      for (k = 0; k < (1u << (table_bits - l)); k++) table[(code << (table_bits - l)) + k] = (unsigned short)s;
      continue;
    }
    at = &table[code >> (l - table_bits)];
    for (i = l - table_bits - 1; i >= 0; i--) {
      if (*at == NO_CODE) {
        left[nodes] = right[nodes] = NO_CODE;
        *at = (unsigned short)(NODE + nodes++);
      }
      at = ((code >> i) & 1) ? &right[*at - NODE] : &left[*at - NODE];
    }
    *at = (unsigned short)s;
  }
  return 1;
}

/* A table's count of lengths: 0 announces a code of one symbol, which
 * follows in as many bits and then takes no bits at all; `*n` is left 0 for
 * it. Otherwise the lengths to come are cleared. False for a symbol out of
 * the alphabet. */
static int read_count(int count_bits, unsigned symbols, unsigned char *len, int table_bits,
                      unsigned short *table, unsigned *n)
{
  unsigned k, only;
  *n = bits(count_bits);
  if (*n != 0) {
    for (k = 0; k < *n; k++) lengths[k] = 0;
    return 1;
  }
  only = bits(count_bits);
  if (only >= symbols) return 0;
  for (k = 0; k < (1u << table_bits); k++) table[k] = (unsigned short)only;
  len[only] = 0;
  return 1;
}

/* The next symbol, or -1 for a pattern no code starts with. */
static int decode(const unsigned short *table, int table_bits, const unsigned char *len)
{
  unsigned c = table[bitbuf >> (16 - table_bits)];
  unsigned mask = 1u << (15 - table_bits);
  while (c >= NODE && c != NO_CODE) {
    c = (bitbuf & mask) ? right[c - NODE] : left[c - NODE];
    mask >>= 1;
  }
  if (c == NO_CODE) return -1;
  fill(len[c]);
  return (int)c;
}

/* The lengths past `symbols` must be unused; the code is built from the rest. */
static int build_from(unsigned read, unsigned symbols, unsigned char *len, int table_bits, unsigned short *table)
{
  unsigned i;
  for (i = symbols; i < read; i++)
    if (lengths[i] != 0) return 0;
  if (read > symbols) read = symbols;
  for (i = 0; i < read; i++) len[i] = lengths[i];
  return build(read, len, table_bits, table);
}

/* A count of `count_bits`, then as many lengths: 0-6 in three bits, 7 and
 * more as 111 and one 1 per extra unit up to a 0; after the length with
 * index `zero_run_after` a 2-bit count of zero lengths. */
static int read_short_lengths(unsigned symbols, int count_bits, unsigned zero_run_after)
{
  unsigned n, i, len;
  if (!read_count(count_bits, symbols, short_len, SHORT_BITS, short_table, &n)) return 0;
  if (n == 0) return 1;
  i = 0;
  while (i < n) {
    len = bits(3);
    if (len == 7)
      while (bits(1))
        if (++len > MAX_BITS) return 0;
    lengths[i++] = (unsigned char)len;
    if (i == zero_run_after) {
      i += bits(2);
      if (i > n) i = n;
    }
  }
  return build_from(n, symbols, short_len, SHORT_BITS, short_table);
}

/* The literal/length code's lengths, coded with the code-length code:
 * 0 one zero, 1 three to 18 zeros, 2 twenty to 531 zeros, n a length n-2. */
static int read_literal_lengths(void)
{
  unsigned n, i, zeros;
  int c;
  if (!read_count(9, LITERAL_CODES, literal_len, LITERAL_BITS, literal_table, &n)) return 0;
  if (n == 0) return 1;
  i = 0;
  while (i < n) {
    c = decode(short_table, SHORT_BITS, short_len);
    if (c < 0) return 0;
    if (c > 2) {
      lengths[i++] = (unsigned char)(c - 2);
      continue;
    }
    zeros = c == 0 ? 1 : c == 1 ? bits(4) + 3 : bits(9) + 20;
    i += zeros;
    if (i > n) i = n;
  }
  return build_from(n, LITERAL_CODES, literal_len, LITERAL_BITS, literal_table);
}

static unsigned char *window;
static unsigned pos, flushed, window_mask;

/* Hands a full window on, but never bytes decoded from the zeros past the
 * input's end. */
static int flush(void)
{
  pos = 0;
  if (overrun()) return LZH_TRUNCATED;
  if (!io->write(io->ctx, window + flushed, window_mask + 1 - flushed)) return LZH_STOPPED;
  flushed = 0;
  return LZH_OK;
}

/* Puts one decoded byte into the window: a macro, as a call per byte costs
 * a 16-bit program much of its time. */
#define PUT(byte)                                                       \
  do {                                                                  \
    window[pos] = (byte);                                               \
    if (++pos > window_mask && (r = flush()) != LZH_OK) return r;      \
  } while (0)

unsigned lzh_window_size(int method)
{
  /* Matches reach 2^(position codes - 1) bytes back: 14 codes for -lh4-
   * and -lh5-, 16 for -lh6-. */
  return method == 6 ? 32768u : 8192u;
}

int lzh_decode(int method, unsigned long size, struct lzh_io *stream, unsigned char *buffer)
{
  const unsigned positions = method == 6 ? 16 : 14;
  const int position_bits = method == 6 ? 5 : 4;
  unsigned block_left = 0, distance, length;
  unsigned long left = size;
  int c, p, r;

  io = stream;
  in_pos = in_end = 0;
  ended = 0;
  zero_bytes = 0;
  bitbuf = sub = 0;
  sub_left = 0;
  fill(16);
  window = buffer;
  window_mask = lzh_window_size(method) - 1;
  for (pos = 0; pos <= window_mask; pos++) window[pos] = ' '; /* history before the first byte */
  pos = flushed = 0;

  while (left > 0) {
    if (block_left == 0) {
      /* Every block start takes bits, so empty blocks end with the input. */
      if (overrun()) return LZH_TRUNCATED;
      block_left = bits(16);
      nodes = 0;
      if (!read_short_lengths(LENGTH_CODES, 5, 3) || !read_literal_lengths() ||
          !read_short_lengths(positions, position_bits, MOST_LENGTHS))
        return overrun() ? LZH_TRUNCATED : LZH_DAMAGED;
      continue;
    }
    block_left--;
    c = decode(literal_table, LITERAL_BITS, literal_len);
    if (c < 0) return overrun() ? LZH_TRUNCATED : LZH_DAMAGED;
    if (c < 256) {
      left--;
      PUT((unsigned char)c);
      continue;
    }
    p = decode(short_table, SHORT_BITS, short_len);
    if (p < 0) return overrun() ? LZH_TRUNCATED : LZH_DAMAGED;
    distance = (p < 2 ? (unsigned)p : (1u << (p - 1)) + bits(p - 1)) + 1;
    length = (unsigned)c - 256 + MIN_MATCH;
    /* Bytes past the entry's size are not the entry's. */
    if (length > left) length = (unsigned)left;
    left -= length;
    while (length-- > 0) PUT(window[(pos - distance) & window_mask]);
  }
  if (overrun()) return LZH_TRUNCATED;
  if (pos > flushed && !io->write(io->ctx, window + flushed, pos - flushed)) return LZH_STOPPED;
  return LZH_OK;
}
