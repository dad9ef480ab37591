# The module's bitmap resources: number, file. quelt.rc lists the same.
set(QUELT_BITMAPS
  128 background.bmp
  129 step_first.bmp
  130 step.bmp
  131 step_last.bmp
  132 mode.bmp
  133 random.bmp
  134 splash.bmp
  135 playhead.bmp
)
