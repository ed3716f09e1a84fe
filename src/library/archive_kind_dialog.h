// The archive kind question: which kind an archive opens in, asked when
// "Tool\Archive" "Drop" says so, with a box that keeps the answer. Thin:
// media::DecideArchiveKind decides what the answer does.
#pragma once

#include <QDialog>
#include <string>

#include "library/archive_kind.h"

class QCheckBox;

namespace nuko::media {

class ArchiveKindDialog final : public QDialog {
public:
    // `current_kind` is the button Enter presses (MIDI for a kind the
    // question does not offer).
    ArchiveKindDialog(const std::string& archive, int current_kind, QWidget* owner);

    // The button pressed and the box; kind -1 after Cancel or Esc.
    ArchiveKindAnswer answer() const;

    // Asks modally.
    static ArchiveKindAnswer Ask(const std::string& archive, int current_kind, QWidget* owner);

private:
    QCheckBox* remember_ = nullptr;
    int chosen_ = -1;
};

}  // namespace nuko::media
