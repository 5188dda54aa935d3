#include "container/replay_report.h"

namespace omf::container {

const char* ActionName(ItemAction action) {
  switch (action) {
    case ItemAction::kReplaced:
      return "replaced";
    case ItemAction::kKept:
      return "kept";
    case ItemAction::kRefused:
      return "refused";
    case ItemAction::kPassedOver:
      return "passed over";
    case ItemAction::kFromFile:
      return "from file";
  }
  return "?";
}

}  // namespace omf::container
