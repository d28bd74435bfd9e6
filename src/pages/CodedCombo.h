#pragma once
// The drop-down combo boxes of the pages: a list of coded texts ("2 - Open") whose text can also
// be typed.

class QComboBox;

// An editable combo box that keeps a typed text exactly as typed (no completion, Enter adds no
// item) and reports a choice only when an item is chosen from the list or stepped to with the
// arrow keys: Enter in its text is no choice.
QComboBox* MakeCodedCombo();
