#pragma once

#include <QWidget>

// The bare title bar shown while the program connects; it offers no way to close it.
class Tconnect_form : public QWidget {
    Q_OBJECT
  public:
    explicit Tconnect_form(QWidget* parent = nullptr);
    void FormCreate();
};

extern Tconnect_form* connect_form;
