// The airplane as a text X file: one frame holding one mesh with normals, texture coordinates and
// a material list in the order of the parts table.
#pragma once
#include <string>

#include "airplane_model.h"

std::string WriteAirplaneX(const AirplaneModel& model);
