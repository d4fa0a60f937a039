# One interface target that carries our warning flags; linked by our own targets only,
# so third-party and generated code (moc, uic) keep their own settings.
add_library(sio_warnings INTERFACE)
target_compile_options(sio_warnings INTERFACE -Wall -Wextra -Wpedantic)
