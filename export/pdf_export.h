#pragma once

// Tells the user how to install the PDF printer "Kestrelon PDF Writer" when
// no printer of that exact name is installed.
void CheckPdfWriterInstalled();
