#pragma once
// Page 2's "Save Data": page 2's write-out, then one new Details record from both pages.

class Pages;

void SaveData(Pages& pages);
