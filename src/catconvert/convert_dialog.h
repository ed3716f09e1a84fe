// The converter's modal dialog: shows the catalog and starts the conversion
// when the user presses "ｽﾀｰﾄ".
#pragma once

#include <QDialog>

#include "catalog_convert.h"

class QLabel;

namespace nuko::catconvert {

class ConvertDialog final : public QDialog {
    Q_OBJECT
public:
    ConvertDialog(std::string path, TitleReader midi_title, QWidget* parent = nullptr);
    // 1 when the file was rewritten, else 0.
    int conversion_result() const { return result_; }

private:
    void Start();

    std::string path_;
    TitleReader midi_title_;
    QLabel* message_ = nullptr;
    int result_ = 0;
};

}  // namespace nuko::catconvert
