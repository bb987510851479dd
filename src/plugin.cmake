# Tabulon.dll: the Win32 shell over the core.
