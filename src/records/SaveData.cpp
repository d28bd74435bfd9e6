#include "records/SaveData.h"

// Placeholder until the record store lands.
void SaveData(Pages&) {}
