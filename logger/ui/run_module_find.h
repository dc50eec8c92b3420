#pragma once
// The Setup page's "Najdi": looks for a module at every baud rate and checksum mode, lists what
// answered in the progress dialog, and then applies the Setup page's settings again.

namespace qx {

class TMForm;

void RunModuleFind(TMForm& form);

}  // namespace qx
