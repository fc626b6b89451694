#pragma once

#include <QApplication>

// The board's application object. Every event passes through notify(), so an exception escaping
// any event handler ends that handler and goes to the default error report instead of ending the
// program.
class TApplication : public QApplication {
    Q_OBJECT
  public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
