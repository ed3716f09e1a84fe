// The window shown while an archive is extracted (when "Tool\Archive"
// "DlgView" is on), and the question before a file of the work folder is
// replaced (when "Yes" is off). Thin: the archive bridge drives it.
#pragma once

#include <memory>

#include "library/archive_file.h"

class QProgressDialog;

namespace nuko::media {

class ArchiveProgressDialog final : public media::ArchiveUi {
public:
    ArchiveProgressDialog();
    ~ArchiveProgressDialog() override;

    void BeginExtract(const std::string& archive, void* owner) override;
    bool ExtractProgress(const std::string& member, std::uint64_t done, std::uint64_t total) override;
    void EndExtract() override;
    bool ConfirmOverwrite(const std::string& path, void* owner) override;

    // The open window, for tests; null between extractions.
    QProgressDialog* window() const { return dialog_.get(); }

private:
    std::unique_ptr<QProgressDialog> dialog_;
};

}  // namespace nuko::media
