/* Decoder of the static-Huffman LZH methods -lh4-, -lh5- and -lh6- for the
 * DOS self-extractor, in portable C: Debian's bcc compiles it for 16-bit
 * real mode, and the host's C compiler compiles it for the test that runs
 * it on the same test vectors as the Unlha32 back-end's own decoder. The
 * coded format is described in src/archivers/builtin/codec/
 * StaticHuffmanDecoder.h; this decoder reads codes a bit at a time, which
 * needs no lookup tables, so that a 32 KB window fits in one 64 KB segment
 * with the program. */
#ifndef KS_LZHDEC_H
#define KS_LZHDEC_H

#define LZH_OK 0
#define LZH_TRUNCATED 1 /* the coded data ended before the entry's size */
#define LZH_DAMAGED 2   /* the coded data cannot be what an encoder wrote */
#define LZH_STOPPED 3   /* the output refused the data */

/* Where the coded bytes come from and the decoded bytes go. `read` returns
 * how many bytes it put into `buf` (0 at the end of the entry); `write`
 * returns 0 when it cannot take them. */
struct lzh_io {
  unsigned (*read)(void *ctx, unsigned char *buf, unsigned size);
  int (*write)(void *ctx, unsigned char *buf, unsigned size);
  void *ctx;
};

/* The window a method needs: 4 KB (-lh4-), 8 KB (-lh5-), 32 KB (-lh6-). */
unsigned lzh_window_size(int method);

/* Decodes one entry of `size` bytes coded with `method` (4, 5 or 6).
 * `window` holds lzh_window_size(method) bytes. Returns LZH_OK only when
 * exactly `size` bytes went out and no bit past the input's end was
 * needed; on any error the bytes written are not the entry. */
int lzh_decode(int method, unsigned long size, struct lzh_io *io, unsigned char *window);

#endif
