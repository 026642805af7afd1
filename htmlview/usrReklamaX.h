#pragma once

#include <QWidget>

// The catalogue panel beside the file list. It keeps the page it is given; showing it is
// the work of the HTML view that will take its place.
class usrReklamaX : public QWidget {
    Q_OBJECT

public:
    explicit usrReklamaX(QWidget* parent = nullptr);

    void LoadHtml(const QString& Html);
    QString Html() const { return html_; }

private:
    QString html_;
};
