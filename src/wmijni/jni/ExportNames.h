// Full JNI symbol names of the exports, as OutOfMemoryError messages name them.
#pragma once

#define WMIBRIDGE_CONNECTOR_EXPORT(method) "Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_" #method
#define WMIBRIDGE_EXTENSIONS_EXPORT(method) "Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_" #method
