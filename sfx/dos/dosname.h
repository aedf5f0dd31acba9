/* Which LZH entry names the DOS self-extractor can write, shared by the
 * stub (compiled by bcc) and the conversion command of the Unlha32
 * back-end, which refuses an archive the stub could not extract before it
 * writes anything. */
#ifndef KS_DOSNAME_H
#define KS_DOSNAME_H

#ifdef __cplusplus
extern "C" {
#endif

#define DOS_NAME_OK 0
#define DOS_NAME_UNSAFE 1 /* absolute, a drive, or ".": it would leave the folder */
#define DOS_NAME_BAD 2    /* not an 8.3 name, or characters or a device DOS cannot take */

/* Checks a stored name (CP932 bytes, "\" or "/" between folders, "." parts
 * and doubled separators ignored) and, when it can be used, writes it into
 * `out` (at most `out_size` bytes with the ending 0) with "\" separators. */
int dos_path(const char *name, unsigned size, char *out, unsigned out_size);

#ifdef __cplusplus
}
#endif

#endif
