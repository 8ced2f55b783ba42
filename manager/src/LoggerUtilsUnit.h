#pragma once
// The web application's debug logging: its own logging.properties, which Tomcat's logging reads when
// the application starts. Switched by the hidden debug box of the settings.
#include <string>

// The program's folder, a backslash and the language text res_log_file_path (itself beginning with a
// backslash: the doubled one at the seam stays).
std::string GetLogPropertiesPath();

// True when the service's Java options (ProcrunOptionsPath, default view; missing reads as none) hold
// the class-loader log manager option, blanks around it and letter case aside, and the properties file
// exists. A value of another type than REG_MULTI_SZ raises ERegistryException.
bool IsDebugLoggingOn();

// Writes the properties file: six lines separated by LF CR, the fourth naming the log files after the
// language text res_log_name, and a final CR LF, in the ANSI code page. False when it cannot be written.
bool EnableDebugLogging();

// On: EnableDebugLogging. Off: deletes the properties file; false when there was none to delete.
bool SetDebugLogging(bool AOn);
