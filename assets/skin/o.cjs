/* Tabvale "Slate" skin for the login window.
   Copy this file to <program folder>/x/o.cjs to use it; it is a Qt style
   sheet, applied to the login window and everything on it. */

QWidget {
    background-color: #e9eef3;
    color: #1f2d3d;
}

QGroupBox {
    background-color: #f6f8fa;
    border: 1px solid #b4c2cf;
    border-radius: 6px;
    margin-top: 8px;
    font-weight: bold;
}

QGroupBox::title {
    subcontrol-origin: margin;
    subcontrol-position: top left;
    left: 10px;
    padding: 0px 5px;
    color: #24598a;
    background-color: #e9eef3;
    border-radius: 3px;
}

QLabel {
    background-color: transparent;
    color: #34495e;
}

QLineEdit {
    background-color: #ffffff;
    color: #1f2d3d;
    border: 1px solid #a7b5c3;
    border-radius: 3px;
    padding: 1px 5px;
    selection-background-color: #3b78b3;
    selection-color: #ffffff;
}

QLineEdit:hover {
    border-color: #7d9ab5;
}

QLineEdit:focus {
    border: 1px solid #3b78b3;
    background-color: #fbfdff;
}

QPushButton {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,
                                      stop: 0 #4f8fcb, stop: 1 #346fa7);
    color: #ffffff;
    border: 1px solid #2a5d8d;
    border-radius: 4px;
    padding: 2px 10px;
}

QPushButton:hover {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,
                                      stop: 0 #64a2dc, stop: 1 #3f7db8);
}

QPushButton:pressed {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,
                                      stop: 0 #2c6196, stop: 1 #3a74ab);
    padding-top: 3px;
    padding-bottom: 1px;
}

QPushButton:focus {
    border: 2px solid #f0a830;
}

QPushButton:disabled {
    background-color: #c5cfd8;
    color: #7b8a98;
    border-color: #aab6c1;
}
