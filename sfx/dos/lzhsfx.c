/* The DOS self-extractor of LZH archives ("Lzh DosSFX DOS用"): a real-mode
 * program in one 64 KB segment, built by Debian's bcc and wrapped in an MZ
 * header by mzhead.asm. The archive follows the program in the same file.
 *
 *   NAME.EXE              extracts into the folder NAME beside the program,
 *                         asking before it replaces a file
 *   NAME.EXE /S [FOLDER]  extracts without asking (replacing files) and
 *                         without output, into FOLDER if given
 *
 * It reads the level-2 headers our Unlha32 back-end writes, checks each
 * header's CRC (when the header has one, as ours do) and decodes -lh0-, -lh4-, -lh5- and -lh6- (-lh7-'s 64 KB
 * window does not fit the segment; the conversion refuses such archives).
 * Every file is written under a temporary name and renamed only once its
 * CRC is right. ERRORLEVEL: 0 done, 1 damaged, 2 names refused, 3 write
 * failed, 4 cancelled, 5 unsupported method, 6 no archive, 7 the program
 * cannot read itself - as the Windows stubs. */
#include <bios.h>
#include <dos.h>
#include <unistd.h>

#include "dosname.h"
#include "lzhdec.h"

int int86x(int number, union REGS *in, union REGS *out, struct SREGS *segments);
int getch(void);

#define DONE 0
#define DAMAGED 1
#define REFUSED 2
#define WRITE_FAILED 3
#define CANCELLED 4
#define UNSUPPORTED 5
#define NO_ARCHIVE 6
#define NO_PROGRAM 7

#define HEADER_MAX 1024
#define COPY_CHUNK 16384 /* read() and write() count in signed 16-bit ints */
#define PATH_MAX_DOS 128

/* The decoder's window, and the copy buffer of stored files. Code, data and
 * stack share one 64 KB segment: the stack keeps about 3 KB. */
static unsigned char window[32768];
static unsigned char header[HEADER_MAX];
static unsigned crc_table[256];
static char program[PATH_MAX_DOS];
static char folder[PATH_MAX_DOS];
static char name[PATH_MAX_DOS];
static char target[2 * PATH_MAX_DOS];
static char temp[2 * PATH_MAX_DOS];

static int archive = -1;
static unsigned long coded_left; /* of the entry being decoded */
static int out_file = -1;
static unsigned crc;
static int quiet;

static void say(const char *text)
{
  const char *end = text;
  while (*end) end++;
  if (!quiet) write(1, text, end - text);
}

static unsigned le16(const unsigned char *p) { return p[0] | (unsigned)p[1] << 8; }
static unsigned long le32(const unsigned char *p) { return le16(p) | (unsigned long)le16(p + 2) << 16; }

/* The CRC-16 of LHA (reflected polynomial 0xA001, start 0). */
static void make_crc_table(void)
{
  unsigned i, c;
  int k;
  for (i = 0; i < 256; i++) {
    c = i;
    for (k = 0; k < 8; k++) c = (c & 1) ? (c >> 1) ^ 0xA001 : c >> 1;
    crc_table[i] = c;
  }
}

static unsigned crc16(unsigned c, const unsigned char *p, unsigned n)
{
  while (n-- > 0) c = (c >> 8) ^ crc_table[(c ^ *p++) & 0xFF];
  return c;
}

static unsigned read_coded(void *ctx, unsigned char *buf, unsigned size)
{
  int n;
  (void)ctx;
  if (coded_left < size) size = (unsigned)coded_left;
  if (size == 0) return 0;
  n = read(archive, buf, size);
  if (n <= 0) return 0;
  coded_left -= n;
  return (unsigned)n;
}

static int write_out(void *ctx, unsigned char *buf, unsigned size)
{
  (void)ctx;
  crc = crc16(crc, buf, size);
  return write(out_file, buf, size) == (int)size;
}

/* DOS calls that take names, made directly: bcc's open() rewrites names
 * and loses bytes above 7Fh, which Japanese names are made of. 39h make a
 * folder, 3Ch create, 3Dh open, 41h delete, 43h read the attributes, 56h
 * rename (the new name in ES:DI). Returns -1 when the call fails, else AX;
 * `cx` gets CX. */
static int dos_call(unsigned function, const char *path, const char *other, unsigned *cx)
{
  union REGS r;
  struct SREGS s;
  segread(&s);
  s.es = s.ds;
  r.x.ax = function;
  r.x.dx = (unsigned)path;
  r.x.di = (unsigned)other;
  r.x.cx = 0;
  int86x(0x21, &r, &r, &s);
  if (cx) *cx = r.x.cx;
  return r.x.cflag ? -1 : (int)(r.x.ax & 0x7FFF);
}

static int exists(const char *path) { return dos_call(0x4300, path, 0, 0) >= 0; }

static int is_folder(const char *path)
{
  unsigned a;
  return dos_call(0x4300, path, 0, &a) >= 0 && (a & 0x10);
}

/* Makes `path` and the folders above it. */
static int make_folders(char *path)
{
  char *p;
  for (p = path; *p; p++) {
    if (*p != '\\' || p == path || p[-1] == ':') continue;
    *p = 0;
    if (!is_folder(path)) dos_call(0x3900, path, 0, 0);
    *p = '\\';
  }
  return is_folder(path) || (dos_call(0x3900, path, 0, 0) >= 0 && is_folder(path));
}

static void join(char *out, const char *a, const char *b)
{
  while ((*out = *a++) != 0) out++;
  *out++ = '\\';
  while ((*out++ = *b++) != 0) {
  }
}

/* The program's own name: after the environment's strings, a count and
 * the full name (bcc's argv[0] does not hold it). */
static void find_program(void)
{
  unsigned at = 0, i = 0;
  __set_es(__envseg);
  while (__peek_es(at) & 0xFF) {
    while (__peek_es(at) & 0xFF) at++;
    at++;
  }
  at += 3;
  while (i + 1 < PATH_MAX_DOS && (program[i] = (char)(__peek_es(at++) & 0xFF)) != 0) i++;
  program[i] = 0;
  __set_es(__get_ds());
}

/* The archive starts where the MZ image ends. */
static long archive_start(void)
{
  unsigned char mz[6];
  unsigned last, pages;
  if (read(archive, mz, 6) != 6 || mz[0] != 'M' || mz[1] != 'Z') return -1;
  last = le16(mz + 2);
  pages = le16(mz + 4);
  return (long)pages * 512 - (last ? 512 - last : 0);
}

static int ask_replace(const char *path)
{
  int c;
  if (quiet) return 'Y';
  say(path);
  say(" exists. Overwrite (Y/N/Q)? ");
  do {
    c = getch();
    if (c >= 'a') c -= 32;
  } while (c != 'Y' && c != 'N' && c != 'Q');
  say(c == 'Y' ? "Y\r\n" : c == 'N' ? "N\r\n" : "Q\r\n");
  return c;
}

/* Writes the current entry (its coded data next in the archive) into a
 * temporary file beside `target` and gives it the name once its CRC is
 * right. */
static int extract_file(int method, unsigned long size, unsigned expected, int replace)
{
  static unsigned number;
  struct lzh_io io;
  int result = LZH_OK, n;
  unsigned long left;
  char *cut = target, *p;
  for (p = target; *p; p++)
    if (*p == '\\') cut = p;
  do {
    *cut = 0;
    join(temp, target, "$KS00000.TMP");
    *cut = '\\';
    n = ++number;
    for (p = temp; *p; p++) {
    }
    for (p -= 5; n > 0; n /= 10) *p-- = (char)('0' + n % 10);
  } while (exists(temp));
  out_file = dos_call(0x3C00, temp, 0, 0);
  if (out_file < 0) return WRITE_FAILED;
  crc = 0;
  io.read = read_coded;
  io.write = write_out;
  io.ctx = 0;
  if (method == '0') {
    for (left = size; left > 0 && result == LZH_OK; left -= n) {
      n = (int)read_coded(0, window, left < COPY_CHUNK ? (unsigned)left : COPY_CHUNK);
      if (n == 0) result = LZH_TRUNCATED;
      else if (!write_out(0, window, (unsigned)n)) result = LZH_STOPPED;
    }
  } else {
    result = lzh_decode(method - '0', size, &io, window);
  }
  if (close(out_file) != 0 && result == LZH_OK) result = LZH_STOPPED;
  out_file = -1;
  if (result == LZH_OK && crc != expected) result = LZH_DAMAGED;
  if (result == LZH_OK && replace) dos_call(0x4100, target, 0, 0);
  if (result == LZH_OK && dos_call(0x5600, temp, target, 0) >= 0) return DONE;
  dos_call(0x4100, temp, 0, 0);
  return result == LZH_OK || result == LZH_STOPPED ? WRITE_FAILED : DAMAGED;
}

/* One entry whose header is in `header`. Returns DONE, or what went wrong
 * with it; a header that cannot be read ends the run (-1 - outcome). */
static int entry(unsigned size, long data)
{
  unsigned at = 24, ext, file_size = 0, folder_size = 0, expected, stored, i, n = 0;
  const unsigned char *file = 0, *dir = 0;
  unsigned long packed, original;
  int method, result = DONE, c;

  if (header[20] != 2 || header[2] != '-' || header[3] != 'l' || header[4] != 'h' || header[6] != '-')
    return -1 - UNSUPPORTED;
  for (;;) {
    if (at + 2 > size) return -1 - DAMAGED;
    ext = le16(header + at);
    if (ext == 0) break;
    if (ext < 3 || at + ext + 2 > size) return -1 - DAMAGED;
    switch (header[at + 2]) {
      case 0x00:
        stored = le16(header + at + 3);
        header[at + 3] = header[at + 4] = 0;
        if (crc16(0, header, size) != stored) return -1 - DAMAGED;
        break;
      case 0x01: file = header + at + 3; file_size = ext - 3; break;
      case 0x02: dir = header + at + 3; folder_size = ext - 3; break;
    }
    at += ext;
  }
  method = header[5];
  packed = le32(header + 7);
  original = le32(header + 11);
  expected = le16(header + 21);
  if (method != 'd' && method != '0' && (method < '4' || method > '6')) return -1 - UNSUPPORTED;

  /* The folder part uses 0xFF between folders. */
  for (i = 0; i < folder_size && n + 1 < PATH_MAX_DOS; i++) name[n++] = dir[i] == 0xFF ? '\\' : (char)dir[i];
  for (i = 0; i < file_size && n + 1 < PATH_MAX_DOS; i++) name[n++] = (char)file[i];
  if (n + 1 >= PATH_MAX_DOS || dos_path(name, n, name, PATH_MAX_DOS) != DOS_NAME_OK) {
    say("Not extracted (name not allowed on DOS): ");
    name[n] = 0;
    say(name);
    say("\r\n");
    result = REFUSED;
  } else {
    join(target, folder, name);
    say(target);
    say("\r\n");
    if (method == 'd') {
      if (!make_folders(target)) return -1 - WRITE_FAILED;
    } else {
      char *cut = target, *p;
      for (p = target; *p; p++)
        if (*p == '\\') cut = p;
      *cut = 0;
      c = make_folders(target);
      *cut = '\\';
      if (!c) return -1 - WRITE_FAILED;
      c = exists(target) ? ask_replace(target) : 'R';
      if (c == 'Q') return -1 - CANCELLED;
      if (c != 'N') {
        coded_left = packed;
        result = extract_file(method, original, expected, c == 'Y');
        if (result == WRITE_FAILED) return -1 - WRITE_FAILED;
        if (result == DAMAGED) say("  damaged: CRC error\r\n");
      }
    }
  }
  if (lseek(archive, data + (long)packed, 0) < 0) return -1 - DAMAGED;
  return result;
}

static int run(void)
{
  long at;
  int outcome = DONE, r;
  unsigned size;
  archive = dos_call(0x3D00, program, 0, 0);
  if (archive < 0) return NO_PROGRAM;
  at = archive_start();
  if (at < 0 || lseek(archive, at, 0) != at) return NO_PROGRAM;
  if (read(archive, header, 1) != 1) return NO_ARCHIVE;
  if (!make_folders(folder)) return WRITE_FAILED;
  for (;;) {
    if (header[0] == 0) return outcome;
    if (read(archive, header + 1, 1) != 1) return DAMAGED;
    size = le16(header);
    if (size > HEADER_MAX) return UNSUPPORTED;
    if (size < 26 || read(archive, header + 2, size - 2) != (int)(size - 2)) return DAMAGED;
    r = entry(size, at + size);
    if (r < 0) return -1 - r;
    if (r == DAMAGED || (r == REFUSED && outcome == DONE)) outcome = r;
    at = lseek(archive, 0L, 1);
    if (read(archive, header, 1) != 1) return DAMAGED;
  }
}

int main(int argc, char **argv)
{
  int i, outcome;
  char *dot = 0, *p;
  make_crc_table();
  find_program();
  folder[0] = 0;
  for (i = 1; i < argc; i++) {
    if ((argv[i][0] == '/' || argv[i][0] == '-') && (argv[i][1] | 32) == 's' && argv[i][2] == 0) quiet = 1;
    else if (!folder[0])
      for (p = folder; p < folder + PATH_MAX_DOS - 1 && (*p = *argv[i]++) != 0; p++) {
      }
  }
  if (!folder[0]) {
    for (p = program, i = 0; (folder[i] = *p) != 0; p++, i++)
      if (*p == '.') dot = folder + i;
      else if (*p == '\\') dot = 0;
    if (dot) *dot = 0;
  }
  outcome = run();
  switch (outcome) {
    case DONE: say("Done.\r\n"); break;
    case DAMAGED: say("The archive is damaged: not every file was extracted.\r\n"); break;
    case REFUSED: say("Some names cannot be used on DOS and were not extracted.\r\n"); break;
    case WRITE_FAILED: say("Cannot write: "); say(target[0] ? target : folder); say("\r\n"); break;
    case CANCELLED: say("Cancelled.\r\n"); break;
    case UNSUPPORTED: say("This archive uses a method this program cannot decode.\r\n"); break;
    case NO_ARCHIVE: say("No archive is attached to this program.\r\n"); break;
    default: say("Cannot read this program's own file.\r\n"); break;
  }
  return outcome;
}
