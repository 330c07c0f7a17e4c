HEADM adc Chorus chorus 2 2 0 chorusL-out chorusR-out ;=20,20,80,0
CHORUS chorusL adc-in1 0.8 3 2 0.5 ;=140,20,80,0
CHORUS chorusR adc-in2 0.9 3.5 2 0.5 ;=140,100,80,0
TAIL "Tosk demo"
