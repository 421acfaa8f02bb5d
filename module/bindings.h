// Registration functions of the Python module, called in this order by the module's entry point.
#pragma once

#include <pybind11/pybind11.h>

namespace py = pybind11;

void BindEnums(py::module_& m);
void BindEngine(py::module_& m);
void BindPanel(py::module_& m);
void BindROIPanel(py::module_& m);
void BindFileInfo(py::module_& m);
void BindMeasure(py::module_& m);
void BindConstants(py::module_& m);
