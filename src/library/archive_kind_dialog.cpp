#include "library/archive_kind_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "nuko/paths.h"

namespace nuko::media {

namespace {

QString KindText(MediaKind kind) {
    switch (kind) {
        case MediaKind::Midi: return QStringLiteral("MIDI");
        case MediaKind::Movie: return QStringLiteral("動画");
        case MediaKind::Sound: return QStringLiteral("ｻｳﾝﾄﾞ");
        case MediaKind::Cd: break;
    }
    return {};
}

}  // namespace

ArchiveKindDialog::ArchiveKindDialog(const std::string& archive, int current_kind, QWidget* owner)
    : QDialog(owner) {
    setObjectName(QStringLiteral("archive_kind"));
    setWindowTitle(QStringLiteral("書庫のﾒﾃﾞｨｱ"));
    auto* v = new QVBoxLayout(this);
    const QString name = QString::fromStdString(path::SplitPath(archive).name);
    v->addWidget(new QLabel(QStringLiteral("%1 をどのﾒﾃﾞｨｱとして開きますか?").arg(name), this));
    auto* row = new QHBoxLayout;
    const int preferred = IsKind(current_kind) && current_kind != Code(MediaKind::Cd) ? current_kind : Code(MediaKind::Midi);
    for (MediaKind kind : kArchiveKindChoices) {
        auto* b = new QPushButton(KindText(kind), this);
        b->setObjectName(QStringLiteral("kind%1").arg(Code(kind)));
        if (Code(kind) == preferred) b->setDefault(true);
        connect(b, &QPushButton::clicked, this, [this, kind] {
            chosen_ = Code(kind);
            accept();
        });
        row->addWidget(b);
    }
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    row->addWidget(cancel);
    v->addLayout(row);
    remember_ = new QCheckBox(QStringLiteral("この種類を記憶する"), this);
    remember_->setObjectName(QStringLiteral("remember"));
    v->addWidget(remember_);
}

ArchiveKindAnswer ArchiveKindDialog::answer() const {
    if (result() != QDialog::Accepted) return {};
    return {chosen_, remember_->isChecked()};
}

ArchiveKindAnswer ArchiveKindDialog::Ask(const std::string& archive, int current_kind, QWidget* owner) {
    ArchiveKindDialog dialog(archive, current_kind, owner);
    dialog.exec();
    return dialog.answer();
}

}  // namespace nuko::media
