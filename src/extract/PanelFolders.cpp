// The panel's output-folder operations, on the rules of OutputFolders.
#include "core/AppFolder.h"
#include "extract/OutputFolders.h"
#include "ui/PanelWindow.h"

namespace ks {

std::string PanelWindow::ksExtractFolder1st(const std::string& strArcDir) {
  return ExtractFolder1st(strArcDir, FolderChecked());
}

std::string PanelWindow::ksExtractFolder2nd(const std::string& strExDir, const std::string& strArcDir,
                                        const std::string& strOrgData) {
  return ExtractFolder2nd(this, strExDir, strArcDir, strOrgData, AppFolder);
}

}  // namespace ks
