#include "engine/handovers.h"

EngineHandovers& MainWorking_Handovers() {
    static EngineHandovers handovers;
    return handovers;
}
