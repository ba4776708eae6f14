#include "editor/form3.h"

#include <QCloseEvent>

Form3::Form3(QWidget *parent) : WizardWindow(parent) {}
Form3::~Form3() = default;
void Form3::Form_Load() {}
void Form3::showCentred() { show(); }
void Form3::closeEvent(QCloseEvent *event) { event->accept(); }
void Form3::resizeEvent(QResizeEvent *) {}
