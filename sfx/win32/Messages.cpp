// What the stubs tell the user, in Japanese, as the program they stand for
// always did.
#include "sfx/win32/Stub.h"

namespace ks::sfx {

int ExitCodeOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::Done: return 0;
    case Outcome::Damaged: return 1;
    case Outcome::Refused: return 2;
    case Outcome::WriteFailed: return 3;
    case Outcome::Cancelled: return 4;
    case Outcome::Unsupported: return 5;
    case Outcome::NoArchive: return 6;
  }
  return 1;
}

WideText OutcomeText(const Report& r, const WideText& folder) {
  WideText text;
  const bool named = r.where.size() > 1;
  switch (r.outcome) {
    case Outcome::Done:
      return text;
    case Outcome::Damaged:
      if (!named) {
        Append(text, u"書庫が壊れています。何も展開していません。");
        return text;
      }
      Append(text, u"書庫が壊れているため、次のファイルは展開できませんでした。\n");
      break;
    case Outcome::Refused:
      Append(text, u"次の名前は展開先の外を指すか Windows で使えないため、展開しませんでした。\n");
      break;
    case Outcome::WriteFailed:
      Append(text, u"ファイルを書き込めませんでした。ディスクの空きと書き込みの権限を確かめてください。\n");
      break;
    case Outcome::Cancelled:
      Append(text, u"展開を中止しました。");
      return text;
    case Outcome::Unsupported:
      Append(text, u"このプログラムが展開できない形式の書庫です。");
      return text;
    case Outcome::NoArchive:
      Append(text, u"このプログラムには書庫が付いていません。");
      return text;
  }
  if (named) Append(text, r.where.data());
  Append(text, u"\n\n展開先: ");
  Append(text, folder.data());
  return text;
}

WideText FolderText(const WideText& folder) {
  WideText text;
  Append(text, u"展開先のフォルダを作れません。\n");
  Append(text, folder.data());
  return text;
}

WideText ReplaceQuestion(const WideText& path) {
  WideText text;
  Append(text, u"「");
  Append(text, path.data());
  Append(text, u"」は既に存在します。\n上書きしますか？");
  return text;
}

WideText Title(const ProgramFile& program) {
  const WideText& path = program.path();
  std::size_t start = path.size() - 1;
  while (start > 0 && path[start - 1] != u'\\' && path[start - 1] != u'/') --start;
  WideText title;
  Append(title, path.data() + start);
  return title;
}

Feedback::Answer AskReplaceBox(HWND owner, const WideText& title, const WideText& path) {
  switch (MessageBoxW(owner, W(ReplaceQuestion(path)), W(title), MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES: return Feedback::Answer::Replace;
    case IDNO: return Feedback::Answer::Keep;
    default: return Feedback::Answer::Cancel;
  }
}

}  // namespace ks::sfx
