#include "db/form2.h"

#include <QCloseEvent>

Form2::Form2(QWidget *parent) : WizardWindow(parent) {}
void Form2::Form_Load() {}
void Form2::showCentred() { show(); }
void Form2::PushButton2_Click() {}
void Form2::PushButton3_Click() {}
void Form2::closeEvent(QCloseEvent *event) { event->accept(); }
const QString &CurrentTableName() { static QString name; return name; }
