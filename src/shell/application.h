#pragma once

#include "core/errorreport.h"
#include <QApplication>

// The board's application object. Every event passes through notify(), so an exception escaping
// any event handler ends that handler and goes to the error report, shown by presenter, instead of
// ending the program.
class TApplication : public QApplication {
    Q_OBJECT
  public:
    TApplication(int& argc, char** argv, ErrorPresenter presenter);
    bool notify(QObject* receiver, QEvent* event) override;

  private:
    ErrorPresenter presenter_;
};
