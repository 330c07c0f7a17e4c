HEADM Adc One demo 2 2 1 1 1 1
HEADM adc Two demo 2 2 1 1 1 1
TAIL x
