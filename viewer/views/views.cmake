# Splitters and views.
