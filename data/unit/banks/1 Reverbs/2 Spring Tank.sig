HEADM adc "Spring Tank" spring 2 2 0 spring-out spring-out ;=20,20,80,0
MIX2 sum adc-in1 adc-in2 0.5 0.5 ;=140,20,80,0
SPRING spring sum-out 0.6 2 0.45 ;=260,20,80,0
TAIL "Tosk demo"
