#pragma once
// Where the Tomcat service wrapper keeps the Java settings of the "Tomcat9" service: registry paths
// under HKEY_LOCAL_MACHINE, subkey and value name split at the last backslash.

constexpr const char* ProcrunJavaKey =
    "SOFTWARE\\Apache Software Foundation\\Procrun 2.0\\Tomcat9\\Parameters\\Java";
// REG_MULTI_SZ, one Java option per entry.
constexpr const char* ProcrunOptionsPath =
    "SOFTWARE\\Apache Software Foundation\\Procrun 2.0\\Tomcat9\\Parameters\\Java\\Options";
// REG_SZ, the full path of the jvm.dll the service loads.
constexpr const char* ProcrunJvmPath =
    "SOFTWARE\\Apache Software Foundation\\Procrun 2.0\\Tomcat9\\Parameters\\Java\\Jvm";
