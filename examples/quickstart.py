import sheafwork

print("sheafwork", sheafwork.__version__)
