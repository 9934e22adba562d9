#pragma once

// Which server holds the supervision databases: SQL Server through ODBC (production) or the SQLite files
// of the stand-in. Chosen by key DbEngine of section CONFIG in vornnet.ini.
enum class DbEngine { Odbc, Sqlite };
