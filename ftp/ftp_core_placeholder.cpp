// Placeholder translation unit until the FTP client has sources of its own.
