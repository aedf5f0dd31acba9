// The panel's output-folder operations, on the rules of OutputFolders.
#include "core/AppFolder.h"
#include "extract/OutputFolders.h"
#include "panel/FrmMain.h"

namespace ks {

std::string FrmMain::ksExtractFolder1st(const std::string& strArcDir) {
  return ExtractFolder1st(strArcDir, FolderChecked());
}

std::string FrmMain::ksExtractFolder2nd(const std::string& strExDir, const std::string& strArcDir,
                                        const std::string& strOrgData) {
  return ExtractFolder2nd(this, strExDir, strArcDir, strOrgData, AppFolder);
}

}  // namespace ks
