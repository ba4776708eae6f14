#include "export/pdf_export.h"

// Placeholder until the printing code lands.
void CheckPdfWriterInstalled() {}
