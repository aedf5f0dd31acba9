#pragma once
// Result codes of the built-in back-ends, modelled on the 0x8000-range error
// numbers of the common archiver interface. 0 is success; every failure kind
// has its own code so a log reader can tell them apart.

namespace ks {

enum ArcResult : int {
  kArcOk = 0,
  kArcDiskSpace = 0x8005,        // the disk is full
  kArcReadOnly = 0x8006,         // the target cannot be written
  kArcUserSkip = 0x8007,         // an entry was skipped at the user's answer
  kArcUnknownType = 0x8008,      // not an archive this back-end reads
  kArcMethod = 0x8009,           // compression method not supported
  kArcPassword = 0x800A,         // wrong or missing password
  kArcFileCrc = 0x800C,          // an entry's data does not match its CRC
  kArcFileOpen = 0x800D,         // a file to pack could not be opened
  kArcNotExist = 0x800F,         // a name to pack does not exist
  kArcAlreadyExist = 0x8010,     // the target already exists
  kArcMakeDirectory = 0x8012,    // a folder could not be created
  kArcCannotWrite = 0x8013,      // writing failed
  kArcHeaderBroken = 0x8017,     // an entry header is damaged
  kArcArcFileOpen = 0x8018,      // the archive could not be opened
  kArcNotArcFile = 0x8019,       // the file is not an archive
  kArcCannotRead = 0x801A,       // reading failed
  kArcCommandName = 0x801C,      // a command line this back-end does not know
  kArcAlreadyRunning = 0x801F,   // a command of this back-end is still running
  kArcUserCancel = 0x8020,       // the user pressed Cancel
  kArcNotSupported = 0x8023,     // a known command this platform does not offer
  kArcUnsafeEntry = 0x8024,      // an entry would be written outside the target
  kArcTooLarge = 0x802E,         // a file too large for the format
  kArcBadName = 0x802F,          // a name the format cannot store
  kArcMissingPiece = 0x8031,     // a piece of a split file is missing
  kArcUnexpectedEof = 0x8042,    // the archive ends early
  kArcBrokenData = 0x8048,       // the data is damaged
};

}  // namespace ks
